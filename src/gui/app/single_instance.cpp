#include "gui/app/single_instance.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "core/window_messages.h"
#include "gui/app/diagnostics.h"
#include "gui/app/window_message.h"

namespace qx4::gui {

namespace {
// A first copy takes its lock some 150 ms before it listens, longer on a busy machine.
constexpr std::chrono::seconds kStartingPatience{5};

bool fromThisUser(const QLocalSocket* socket) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    const auto fd = static_cast<int>(socket->socketDescriptor());
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == getuid();
}

// A request qx4ctl could not get across is a failure, not a usage error: the command line was fine.
InstanceReply refusal(const std::string& why) {
    return {1, {}, "qx4ctl: qx4-config refused the request: " + why + "\n"};
}
}  // namespace

// One client: its bytes until a request is whole, then the handler's reply. It deletes itself,
// with its socket, when the client goes or runs out of time.
class InstanceServer::Connection final : public QObject {
public:
    Connection(QLocalSocket* socket, InstanceServer& server) : QObject(socket), socket_(socket), server_(server) {
        ++server_.connections_;
        connect(socket_, &QLocalSocket::readyRead, this, &Connection::read);
        connect(socket_, &QLocalSocket::disconnected, socket_, &QObject::deleteLater);
        auto* deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this] {
            if (!answered_) return reply(refusal("it did not arrive whole within 2 s"));
            socket_->abort();
            socket_->deleteLater();
        });
        deadline_ = deadline;
        deadline_->start(kRequestMilliseconds);
        read();
    }
    ~Connection() override { --server_.connections_; }

private:
    void read() {
        if (answered_) return;
        // Never more than a request's worth at a time, so a flood stops at the limit.
        const QByteArray bytes = socket_->read(static_cast<qint64>(kMaxRequestBytes) + 1);
        if (bytes.isEmpty()) return;
        const std::string_view piece(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!showMain_ && !framed_) (piece.front() == kShowMainLine.front() ? showMain_ : framed_) = true;
        if (showMain_) return readShowMain(piece);
        switch (decoder_.feed(piece)) {
        case RequestDecoder::State::incomplete:
            return;
        case RequestDecoder::State::malformed:
            return reply(refusal(decoder_.problem()));
        case RequestDecoder::State::complete:
            break;
        }
        answered_ = true;
        deadline_->stop();
        if (!server_.handler_) return reply(refusal("this copy takes no commands"));
        QPointer<Connection> self(this);
        server_.handler_->handleRequest(decoder_.request(), [self](const InstanceReply& answer) {
            if (self) self->reply(answer);
        });
    }

    void readShowMain(std::string_view piece) {
        line_ += piece;
        if (!kShowMainLine.starts_with(line_)) return reply(refusal("it is neither a request nor a second start"));
        if (line_.size() < kShowMainLine.size()) return;
        answered_ = true;
        qCDebug(lcApp, "a second start asks for the window");
        postWindowMessage(server_.target_, UM_SHOW_MAIN);
        socket_->disconnectFromServer();
    }

    void reply(const InstanceReply& answer) {
        answered_ = true;
        const std::string frame = encodeReply(answer);
        socket_->write(frame.data(), static_cast<qint64>(frame.size()));
        // At the end of the program no event loop runs any more to write it later.
        socket_->flush();
        socket_->disconnectFromServer();
        deadline_->start(kReplyMilliseconds);
    }

    QLocalSocket* socket_;
    InstanceServer& server_;
    QTimer* deadline_ = nullptr;
    RequestDecoder decoder_;
    std::string line_;       // UM_SHOW_MAIN's line as far as it has come
    bool showMain_ = false;  // the first byte said which of the two it is
    bool framed_ = false;
    bool answered_ = false;
};

InstanceServer::InstanceServer(const std::filesystem::path& socketPath, QObject* target, RequestHandler* handler)
    : QObject(target), server_(new QLocalServer(this)), target_(target), handler_(handler) {
    const QString path = QString::fromStdString(socketPath.string());
    // Only the lock holder gets here, so a socket file left behind is a dead copy's.
    QLocalServer::removeServer(path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
}

// The clients go first: each one's end counts itself out of this server.
InstanceServer::~InstanceServer() { delete server_; }

bool InstanceServer::listening() const { return server_->isListening(); }

void InstanceServer::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= kMaxConnections || !fromThisUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, *this);
    }
}

bool sendShowMain(const InstanceLock& lock) {
    const int fd = lock.connectToHolder(kStartingPatience);
    if (fd < 0) return false;
    const bool sent = send(fd, kShowMainLine.data(), kShowMainLine.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(kShowMainLine.size());
    close(fd);
    return sent;
}

}  // namespace qx4::gui
