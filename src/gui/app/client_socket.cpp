#include "gui/app/client_socket.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

// Without blocking, neither call is interrupted, and Linux has one code for "try again".
static_assert(EAGAIN == EWOULDBLOCK);

namespace qx4::gui {

ClientSocket::ClientSocket(int fd, QObject* parent)
    : QObject(parent),
      fd_(fd),
      reader_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      writer_(new QSocketNotifier(fd, QSocketNotifier::Write, this)) {
    connect(reader_, &QSocketNotifier::activated, this, &ClientSocket::receive);
    connect(writer_, &QSocketNotifier::activated, this, &ClientSocket::send);
}

ClientSocket::~ClientSocket() {
    if (fd_ >= 0) ::close(fd_);
}

QByteArray ClientSocket::read(qsizetype maxBytes) {
    const QByteArray taken = inbox_.left(maxBytes);
    inbox_.remove(0, taken.size());
    if (fd_ >= 0 && !closing_ && !readEnded_) reader_->setEnabled(true);
    return taken;
}

void ClientSocket::write(std::string_view bytes) {
    if (fd_ < 0) return;
    outbox_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    send();
}

void ClientSocket::flush() { send(); }

void ClientSocket::disconnectFromServer() {
    closing_ = true;
    if (outbox_.isEmpty()) close();
}

void ClientSocket::abort() {
    outbox_.clear();
    close();
}

void ClientSocket::receive() {
    const qsizetype room = kInboxLimit - inbox_.size();
    if (room <= 0) {
        // Read again once the reader has made room; until then the level-triggered notifier
        // would only spin.
        reader_->setEnabled(false);
        return;
    }
    // Received in place: the inbox keeps its capacity as it shrinks again.
    const qsizetype had = inbox_.size();
    inbox_.resize(kInboxLimit);
    const ssize_t got = ::recv(fd_, inbox_.data() + had, static_cast<std::size_t>(room), MSG_DONTWAIT);
    inbox_.resize(had + std::max<qsizetype>(got, 0));
    if (got > 0) {
        Q_EMIT readyRead();
    } else if (got == 0) {
        // A client may shut its writing side once its request is sent and still wait for the reply.
        readEnded_ = true;
        reader_->setEnabled(false);
        Q_EMIT readEnded();
    } else if (errno != EAGAIN) {
        abort();
    }
}

void ClientSocket::send() {
    if (fd_ < 0) return;
    while (!outbox_.isEmpty()) {
        const ssize_t sent = ::send(fd_, outbox_.constData(), static_cast<std::size_t>(outbox_.size()),
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            outbox_.remove(0, sent);
        } else if (errno == EAGAIN) {
            writer_->setEnabled(true);
            return;
        } else {
            return abort();  // the client has gone
        }
    }
    writer_->setEnabled(false);
    if (closing_) close();
}

// The notifiers stay until this object goes: one of them may be the sender of the signal being
// handled.
void ClientSocket::close() {
    if (fd_ < 0) return;
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    Q_EMIT disconnected();
}

}  // namespace qx4::gui
