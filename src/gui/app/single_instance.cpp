#include "gui/app/single_instance.h"

#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "core/window_messages.h"
#include "gui/app/client_socket.h"
#include "gui/common/diagnostics.h"
#include "gui/common/window_message.h"

namespace qx4::gui {

namespace {
// A first copy listens right after it takes its lock; only one that hangs is not heard by then.
constexpr std::chrono::seconds kStartingPatience{5};

// A request qx4ctl could not get across is a failure, not a usage error: the command line was fine.
InstanceReply refusal(const std::string& why) {
    return {1, {}, "qx4ctl: qx4-config refused the request: " + why + "\n"};
}
}  // namespace

// One client: its bytes until a request is whole, then the handler's reply. It deletes itself,
// with its socket, when the client goes or runs out of time. Until its first byte says that it is
// a request, it counts as unheard; a request then takes one of the server's slots.
class InstanceServer::Connection final : public QObject {
public:
    Connection(ClientSocket* socket, InstanceServer& server) : QObject(socket), socket_(socket), server_(server) {
        ++server_.unheard_;
        connect(socket_, &ClientSocket::readyRead, this, &Connection::read);
        connect(socket_, &ClientSocket::disconnected, socket_, &QObject::deleteLater);
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
    ~Connection() override {
        if (holdsSlot_) --server_.served_;
        if (!framed_) server_.unheardLeft();
    }

private:
    void read() {
        if (answered_) return;
        // Never more than a request's worth at a time, so a flood stops at the limit.
        const QByteArray bytes = socket_->read(static_cast<qsizetype>(kMaxRequestBytes) + 1);
        if (bytes.isEmpty()) return;
        const std::string_view piece(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!showMain_ && !framed_ && !decide(piece.front())) return;
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

    // The first byte says which of the two it is. False when a request finds every slot taken.
    bool decide(char first) {
        if (first == kShowMainLine.front()) {
            showMain_ = true;
            return true;
        }
        framed_ = true;
        server_.unheardLeft();
        if (server_.served_ >= kMaxConnections) {
            // Refused, not misused: the exit code of a command that could not be done.
            InstanceReply busy = refusal("it is carrying out " + std::to_string(kMaxConnections) +
                                         " other requests; try again when one has ended");
            busy.exitCode = 1;
            reply(busy);
            return false;
        }
        holdsSlot_ = true;
        ++server_.served_;
        return true;
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
        socket_->write(frame);
        // At the end of the program no event loop runs any more to write it later.
        socket_->flush();
        socket_->disconnectFromServer();
        deadline_->start(kReplyMilliseconds);
    }

    ClientSocket* socket_;
    InstanceServer& server_;
    QTimer* deadline_ = nullptr;
    RequestDecoder decoder_;
    std::string line_;       // UM_SHOW_MAIN's line as far as it has come
    bool showMain_ = false;
    bool framed_ = false;    // a request, no longer unheard
    bool holdsSlot_ = false;
    bool answered_ = false;
};

InstanceServer::InstanceServer(const std::filesystem::path& socketPath, QObject* target, RequestHandler* handler)
    : InstanceServer(std::make_unique<InstanceListener>(socketPath), target, handler) {}

InstanceServer::InstanceServer(std::unique_ptr<InstanceListener> listener, QObject* target, RequestHandler* handler)
    : QObject(target), listener_(std::move(listener)), retry_(new QTimer(this)), target_(target), handler_(handler) {
    if (!listener_->listening()) {
        qCWarning(lcApp, "%s", listener_->error().c_str());
        return;
    }
    notifier_ = new QSocketNotifier(listener_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InstanceServer::acceptConnections);
    retry_->setObjectName(QStringLiteral("instance_accept_retry_timer"));
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMilliseconds);
    connect(retry_, &QTimer::timeout, this, &InstanceServer::acceptConnections);
}

// The clients go first, while the server they count themselves out of is whole, and the
// notifier before the listener closes its socket.
InstanceServer::~InstanceServer() {
    closing_ = true;
    qDeleteAll(findChildren<ClientSocket*>(Qt::FindDirectChildrenOnly));
    delete notifier_;
}

bool InstanceServer::listening() const { return listener_->listening(); }

// Accepts while there is room among the unheard; the notifier sleeps while there is none, or
// while the system is short of descriptors, and the clients wait in the socket's queue.
void InstanceServer::acceptConnections() {
    while (unheard_ < kMaxUnheard) {
        const InstanceListener::Accepted accepted = listener_->acceptOne();
        switch (accepted.kind) {
        case InstanceListener::Accepted::Kind::client:
            adopt(accepted.fd);
            continue;
        case InstanceListener::Accepted::Kind::noneWaiting:
            notifier_->setEnabled(true);
            return;
        case InstanceListener::Accepted::Kind::shortOfResources:
            qCWarning(lcApp, "cannot take a client now: %s; trying again shortly", std::strerror(accepted.reason));
            notifier_->setEnabled(false);
            retry_->start();
            return;
        }
    }
    notifier_->setEnabled(false);
}

void InstanceServer::adopt(int fd) { new Connection(new ClientSocket(fd, this), *this); }

// Those waiting in the queue are taken when the loop comes back to the notifier.
void InstanceServer::unheardLeft() {
    --unheard_;
    if (!closing_ && !retry_->isActive()) notifier_->setEnabled(true);
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
