// qx4ctl's requests, carried out on the UI thread as the pages' own edits are: the mouse session
// has the command module (core/commands/edit_command.h) change the live record and the macro store
// by the pages' rules and saves them, the pages show it, and an apply sends it. status and apply answer
// from the program's own link, so qx4ctl never opens the mouse a second time.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>

#include "core/commands/send_result.h"
#include "gui/app/access_notice.h"
#include "gui/app/single_instance.h"

namespace qx4::gui {

class CWirelessPage;
class FocusFollower;
class MouseSession;

class RemoteCommands final : public QObject, public RequestHandler {
    Q_OBJECT
public:
    // Works through the mouse session, and asks the device area whether an edit is open there.
    // `checkAccess` tells status a mouse closed to this user from no mouse (none on the virtual
    // mouse's drivers).
    RemoteCommands(MouseSession& session, const CWirelessPage& page, std::function<AccessCheck()> checkAccess);

    // Where `rules` goes; without it, the program takes no rules command.
    void setFollower(FocusFollower* follower) { follower_ = follower; }

    void handleRequest(const InstanceRequest& request, Replier reply) override;

private:
    using Compose = std::function<InstanceReply(const commands::SendResult& end)>;

    void runEdit(const InstanceRequest& request, Replier reply);
    void runApply(const InstanceRequest& request, Replier reply);
    void runStatus(const InstanceRequest& request, Replier reply);
    void runSync(Replier reply);
    void runRules(const InstanceRequest& request, Replier reply);
    // Hands an apply to the worker and replies with compose(its end).
    void applyThenReply(bool full, Compose compose, Replier reply);
    void applyEnded(std::uint64_t ticket, const commands::SendResult& end);

    MouseSession& session_;
    const CWirelessPage& page_;
    std::function<AccessCheck()> checkAccess_;
    FocusFollower* follower_ = nullptr;
    std::map<std::uint64_t, std::function<void(const commands::SendResult&)>> waiting_;
};

}  // namespace qx4::gui
