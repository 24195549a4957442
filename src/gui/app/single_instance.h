// The first copy's end of the instance socket (core/instance/instance_lock.h has the lock and the
// folder). A second copy sends the line that asks for the window; qx4ctl sends one request and
// waits for its reply.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "core/instance/instance_listener.h"
#include "core/instance/instance_lock.h"
#include "core/instance/instance_messages.h"

class QSocketNotifier;
class QTimer;

namespace qx4::gui {

// Carries out qx4ctl's requests on the UI thread.
class RequestHandler {
public:
    using Replier = std::function<void(const InstanceReply& reply)>;
    virtual ~RequestHandler() = default;
    // `reply` may be called later, at most once; after the client has gone it does nothing.
    virtual void handleRequest(const InstanceRequest& request, Replier reply) = 0;
};

// A second copy's request is told by showRequested(); a request of qx4ctl goes to `handler` (none:
// it is refused). Only the user's own processes are served.
// Nothing here blocks the UI thread: a request is read as it arrives, must be whole within
// kRequestMilliseconds and within kMaxRequestBytes, and at most kMaxConnections are served at
// once; more wait their turn, unread, up to kMaxWaiting, and one beyond is told why it is refused. A request that breaks a rule gets an error
// reply and changes nothing. A second start needs no slot, so it is heard however many clients
// are served or silent. The server never stops listening while the program lives.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestMilliseconds = 2000;
    static constexpr int kMaxConnections = 8;
    // Clients not heard from yet, or partway through a second start's line. Further clients wait
    // in the socket's queue until one of these has spoken or its time is up, or take the place of
    // the one that has been silent longest.
    static constexpr int kMaxUnheard = 2 * kMaxConnections;
    // Requests that find every slot taken wait for one, in the order they came; one more is refused.
    static constexpr int kMaxWaiting = 4 * kMaxConnections;
    // A client that does not take its reply is dropped after this, or sooner when more than
    // kMaxConnections replies are not taken.
    static constexpr int kReplyMilliseconds = 10000;
    // When the system is short of descriptors, accepting is tried again after this.
    static constexpr int kRetryMilliseconds = 250;

    InstanceServer(const std::filesystem::path& socketPath, QObject* parent, RequestHandler* handler = nullptr);
    // With a socket that listens already: the program listens as soon as it holds its lock, and
    // clients wait in the socket's queue until its window is ready to serve them.
    InstanceServer(std::unique_ptr<InstanceListener> listener, QObject* parent, RequestHandler* handler = nullptr);
    ~InstanceServer() override;
    bool listening() const;

Q_SIGNALS:
    // A second start asks for the window; told on the UI thread, once its line has been read.
    void showRequested();

private:
    class Connection;

    void acceptConnections();
    void adopt(int fd);
    void unheardLeft();
    void slotFreed();

    std::unique_ptr<InstanceListener> listener_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_;
    RequestHandler* handler_;
    int served_ = 0;   // requests being read or carried out
    int unheard_ = 0;
    std::vector<Connection*> silent_;    // unheard clients that have sent nothing yet, oldest first
    std::vector<Connection*> waiting_;   // requests waiting for a slot, oldest first
    std::vector<Connection*> replying_;  // replies not yet taken, oldest first
    bool closing_ = false;
};

// From a second copy: asks the running one to show its window. False when it could not be reached,
// also when it ended meanwhile.
bool sendShowMain(const InstanceLock& lock);

}  // namespace qx4::gui
