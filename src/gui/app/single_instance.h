// The first copy's end of the instance socket (core/instance/instance_lock.h has the lock and the
// folder). A second copy sends the line of UM_SHOW_MAIN; qx4ctl sends one request and waits for
// its reply.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>

#include "core/instance/instance_lock.h"
#include "core/instance/instance_messages.h"

class QLocalServer;
class QLocalSocket;

namespace qx4::gui {

// Carries out qx4ctl's requests on the UI thread.
class RequestHandler {
public:
    using Replier = std::function<void(const InstanceReply& reply)>;
    virtual ~RequestHandler() = default;
    // `reply` may be called later, at most once; after the client has gone it does nothing.
    virtual void handleRequest(const InstanceRequest& request, Replier reply) = 0;
};

// UM_SHOW_MAIN from a second copy is posted to `target`, which also owns the server; a request of
// qx4ctl goes to `handler` (none: it is refused). Only the user's own processes are served
// (SO_PEERCRED). Nothing here blocks the UI thread: a request is read as it arrives, must be whole
// within kRequestMilliseconds and within kMaxRequestBytes, and at most kMaxConnections are served
// at once. A request that breaks a rule gets an error reply and changes nothing.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestMilliseconds = 2000;
    static constexpr int kMaxConnections = 8;
    // A client that does not take its reply is dropped after this.
    static constexpr int kReplyMilliseconds = 10000;

    InstanceServer(const std::filesystem::path& socketPath, QObject* target, RequestHandler* handler = nullptr);
    ~InstanceServer() override;
    bool listening() const;

private:
    class Connection;

    void acceptConnections();

    QLocalServer* server_;
    QObject* target_;
    RequestHandler* handler_;
    int connections_ = 0;
};

// From a second copy: asks the running one to show its window. False when it could not be reached,
// also when the lock's holder let it go meanwhile (qx4ctl, writing the data files).
bool sendShowMain(const InstanceLock& lock);

}  // namespace qx4::gui
