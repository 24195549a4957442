#include "gui/app/single_instance.h"

#include <QByteArray>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "gui/app/client_socket.h"
#include "gui/common/diagnostics.h"

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
        server_.silent_.push_back(this);
        connect(socket_, &ClientSocket::readyRead, this, &Connection::read);
        connect(socket_, &ClientSocket::readEnded, this, &Connection::readEnded);
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
        // A client has mostly spoken before it is taken; it is heard at once, so that it is not
        // taken for a silent one.
        socket_->receive();
    }
    ~Connection() override {
        if (!framed_) server_.unheardLeft();
        std::erase(server_.silent_, this);
        std::erase(server_.waiting_, this);
        std::erase(server_.replying_, this);
        if (holdsSlot_) server_.slotFreed();
    }

    // Makes room for the next client; the socket takes this connection with it.
    void drop() { delete socket_; }

    // A waiting request takes the slot just freed and is read on.
    void admit() {
        holdsSlot_ = true;
        ++server_.served_;
        deadline_->start(kRequestMilliseconds);
        read();
    }

private:
    void read() {
        if (answered_ || waiting()) return;
        // Until it is known which of the two the client is, one byte: a request that has to wait
        // leaves the rest with the socket, which takes no more than its inbox holds.
        const bool undecided = !showMain_ && !framed_;
        const QByteArray bytes = socket_->read(undecided ? 1 : static_cast<qsizetype>(kMaxRequestBytes) + 1);
        if (bytes.isEmpty()) return;
        const std::string_view piece(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (undecided) {
            if (decide(piece.front())) read();
            return;
        }
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

    // The first byte says which of the two it is. False when a request is not read on now: it
    // waits for a slot, or finds the waiting line full as well.
    bool decide(char first) {
        std::erase(server_.silent_, this);
        if (first == kShowMainLine.front()) {
            showMain_ = true;
            readShowMain(std::string_view(&first, 1));
            return !answered_;
        }
        framed_ = true;
        server_.unheardLeft();
        if (decoder_.feed(std::string_view(&first, 1)) == RequestDecoder::State::malformed) {
            reply(refusal(decoder_.problem()));
            return false;
        }
        if (server_.served_ < kMaxConnections) {
            holdsSlot_ = true;
            ++server_.served_;
            return true;
        }
        if (std::ssize(server_.waiting_) >= kMaxWaiting) {
            reply(refusal("it is carrying out " + std::to_string(kMaxConnections) + " requests and " +
                          std::to_string(kMaxWaiting) + " more wait; try again when one has ended"));
            return false;
        }
        // Its time to arrive whole starts when it is read.
        deadline_->stop();
        server_.waiting_.push_back(this);
        return false;
    }

    bool waiting() const { return std::ranges::find(server_.waiting_, this) != server_.waiting_.end(); }

    // Nothing more will come. A request already whole still gets its reply; one cut short is told so.
    void readEnded() {
        if (waiting()) return;
        read();
        if (!answered_) reply(refusal("it ended before the request was whole"));
    }

    void readShowMain(std::string_view piece) {
        line_ += piece;
        if (!kShowMainLine.starts_with(line_)) return reply(refusal("it is neither a request nor a second start"));
        if (line_.size() < kShowMainLine.size()) return;
        answered_ = true;
        qCDebug(lcApp, "a second start asks for the window");
        Q_EMIT server_.showRequested();
        socket_->disconnectFromServer();
    }

    void reply(const InstanceReply& answer) {
        answered_ = true;
        const std::string frame = encodeReply(answer);
        socket_->write(frame);
        // At the end of the program no event loop runs any more to write it later.
        socket_->flush();
        deadline_->start(kReplyMilliseconds);
        // The request has been carried out: its slot goes to the next one, whether or not the
        // client takes its reply. Of the replies not taken yet, the oldest goes when too many wait.
        if (holdsSlot_) {
            holdsSlot_ = false;
            if (socket_->sending()) server_.replying_.push_back(this);
            if (std::ssize(server_.replying_) > kMaxConnections) {
                Connection* oldest = server_.replying_.front();
                server_.replying_.erase(server_.replying_.begin());
                oldest->socket_->abort();
            }
            server_.slotFreed();
        }
        socket_->disconnectFromServer();
    }

    ClientSocket* socket_;
    InstanceServer& server_;
    QTimer* deadline_ = nullptr;
    RequestDecoder decoder_;
    std::string line_;       // a second start's line as far as it has come
    bool showMain_ = false;
    bool framed_ = false;    // a request, no longer unheard
    bool holdsSlot_ = false;
    bool answered_ = false;
};

InstanceServer::InstanceServer(const std::filesystem::path& socketPath, QObject* parent, RequestHandler* handler)
    : InstanceServer(std::make_unique<InstanceListener>(socketPath), parent, handler) {}

InstanceServer::InstanceServer(std::unique_ptr<InstanceListener> listener, QObject* parent, RequestHandler* handler)
    : QObject(parent), listener_(std::move(listener)), retry_(new QTimer(this)), handler_(handler) {
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

// Accepts while there is room among the unheard, or a client that has not said a word since it
// came can make room: clients that never speak would otherwise keep everyone behind them waiting
// until their time is up. The notifier sleeps while there is no room, or while the system is short
// of descriptors, and the clients wait in the socket's queue. A bounded number each time leaves
// the UI its turn in a flood.
void InstanceServer::acceptConnections() {
    for (int taken = 0; taken < kMaxUnheard; ++taken) {
        if (unheard_ >= kMaxUnheard) {
            if (silent_.empty()) {
                notifier_->setEnabled(false);
                return;
            }
            pollfd queue{listener_->fd(), POLLIN, 0};
            if (::poll(&queue, 1, 0) <= 0) return;
            silent_.front()->drop();
        }
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
}

void InstanceServer::adopt(int fd) { new Connection(new ClientSocket(fd, this), *this); }

void InstanceServer::slotFreed() {
    --served_;
    if (closing_ || waiting_.empty()) return;
    Connection* next = waiting_.front();
    waiting_.erase(waiting_.begin());
    next->admit();
}

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
