// One accepted client of the instance socket, read and written on the UI thread without blocking.
// The program needs no more of a socket than this, and Qt's own local socket would bring its whole
// network library (and Kerberos behind it) into every start.
#pragma once

#include <QByteArray>
#include <QObject>

#include <string_view>

class QSocketNotifier;

namespace qx4::gui {

class ClientSocket final : public QObject {
    Q_OBJECT
public:
    // Bytes that may wait here unread. Beyond them the kernel keeps the rest and the client
    // waits, so a flood costs no memory.
    static constexpr qsizetype kInboxLimit = 64 * 1024;

    ClientSocket(int fd, QObject* parent);  // takes the descriptor
    ~ClientSocket() override;
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    QByteArray read(qsizetype maxBytes);
    // Queued, and sent as fast as the client takes it.
    void write(std::string_view bytes);
    // Sends what the client takes now; used when no event loop will run to send it later.
    void flush();
    // Whether queued bytes wait for the client to take them.
    bool sending() const { return !outbox_.isEmpty(); }
    // Closes once everything queued has been sent.
    void disconnectFromServer();
    // Closes now; what is queued is dropped.
    void abort();
    // Takes what has arrived already, without waiting for the loop to say so.
    void receive();

Q_SIGNALS:
    void readyRead();
    // The client shut its side: nothing more will arrive, but a reply still can be sent.
    void readEnded();
    // Once, when the connection has ended for whatever reason.
    void disconnected();

private:
    void send();
    void close();

    int fd_;
    QSocketNotifier* reader_;
    QSocketNotifier* writer_;
    QByteArray inbox_;
    QByteArray outbox_;
    bool closing_ = false;
    bool readEnded_ = false;
};

}  // namespace qx4::gui
