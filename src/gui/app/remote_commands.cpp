#include "gui/app/remote_commands.h"

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/commands/command_grammar.h"
#include "core/commands/status_text.h"
#include "core/config/config_file.h"
#include "core/macro/macro_store.h"
#include "core/rules/rules_command.h"
#include "gui/follow/focus_follower.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

namespace {

std::string prefix(const InstanceRequest& request) { return "qx4ctl " + request.arguments.front() + ": "; }

InstanceReply failed(const InstanceRequest& request, const std::string& why, int exitCode = 1) {
    return {exitCode, {}, prefix(request) + why + "\n"};
}

bool hasOption(const InstanceRequest& request, std::string_view option) {
    for (std::size_t i = 1; i < request.arguments.size(); ++i) {
        if (request.arguments[i] == option) return true;
    }
    return false;
}

InstanceReply replyOf(const InstanceRequest& request, const commands::EditOutcome& outcome) {
    return {outcome.exitCode, outcome.out, outcome.error.empty() ? std::string() : prefix(request) + outcome.error + "\n"};
}

}  // namespace

RemoteCommands::RemoteCommands(MouseSession& session, const CWirelessPage& page,
                               std::function<AccessCheck()> checkAccess)
    : session_(session), page_(page), checkAccess_(std::move(checkAccess)) {
    connect(&session_, &MouseSession::applyEnded, this, &RemoteCommands::applyEnded);
}

void RemoteCommands::handleRequest(const InstanceRequest& request, Replier reply) {
    // The same command on other data files would change what nobody asked for.
    const std::string dataFolder = dataDirectory().string();
    if (request.dataFolder != dataFolder) {
        return reply(failed(request,
                            "qx4-config runs on the data folder " + dataFolder + ", and this qx4ctl works on " +
                                request.dataFolder + ": set QX4_DATA_DIR alike, or quit qx4-config"));
    }
    const std::string& name = request.arguments.front();
    if (name == "sync") return runSync(std::move(reply));
    if (name == "status") return runStatus(request, std::move(reply));
    if (name == "apply") return runApply(request, std::move(reply));
    if (name == "rules" && follower_) return runRules(request, std::move(reply));
    if (commands::isEditCommand(name)) return runEdit(request, std::move(reply));
    reply(failed(request, "qx4-config takes no such command", 2));
}

void RemoteCommands::runEdit(const InstanceRequest& request, Replier reply) {
    const std::vector<std::string_view> arguments(request.arguments.begin(), request.arguments.end());
    const auto parsed = commands::parseEditCommand(arguments, request.workingFolder);
    if (const auto* error = std::get_if<commands::UsageError>(&parsed)) return reply(failed(request, error->message, 2));
    const auto& command = std::get<commands::EditCommand>(parsed);
    if (commands::changesBindingsOrMacros(command) && page_.pagesHoldUnsavedEdits()) {
        return reply(failed(request, "an edit is open in qx4-config's window: apply or cancel it there first"));
    }
    const std::optional<MouseSession::OutsideEdit> edit = session_.runOutsideEdit(command);
    if (!edit) return reply(failed(request, "qx4-config has not loaded its data yet; try again"));
    const commands::EditOutcome& outcome = edit->outcome;
    if (outcome.exitCode != 0) return reply(replyOf(request, outcome));
    if (edit->saved.error) return reply(failed(request, commands::saveFailureText(edit->saved)));
    const commands::Effects& effects = outcome.effects;
    if (effects.apply == commands::ApplyKind::none) return reply(replyOf(request, outcome));
    applyThenReply(
        effects.apply == commands::ApplyKind::full,
        [request, outcome](const commands::SendResult& end) {
            commands::EditOutcome sent = outcome;
            commands::addSendResult(sent, end);
            return replyOf(request, sent);
        },
        std::move(reply));
}

void RemoteCommands::runApply(const InstanceRequest& request, Replier reply) {
    const std::size_t known = 1 + (hasOption(request, commands::options::kFull) ? 1 : 0) + (hasOption(request, commands::options::kSimulate) ? 1 : 0);
    if (request.arguments.size() != known) return reply(failed(request, "qx4-config takes apply with --full only", 2));
    const auto began = std::chrono::steady_clock::now();
    const bool simulate = hasOption(request, commands::options::kSimulate);
    applyThenReply(
        hasOption(request, commands::options::kFull),
        [request, began, simulate](const commands::SendResult& end) {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            const commands::ApplyReport report = commands::applyReport(end, seconds, simulate);
            return InstanceReply{report.exitCode, report.out,
                                 report.error.empty() ? std::string() : prefix(request) + report.error + "\n"};
        },
        std::move(reply));
}

void RemoteCommands::runStatus(const InstanceRequest& request, Replier reply) {
    const PresenceState& presence = session_.presence();
    std::string closedMouse;
    if (checkAccess_ && !presence.present(Link::cable) && !presence.present(Link::receiver)) {
        const AccessCheck check = checkAccess_();
        closedMouse = accessProblemText(check.access, check.fix);
    }
    reply({0, commands::statusText(presence, hasOption(request, commands::options::kJson), closedMouse), {}});
}

void RemoteCommands::runSync(Replier reply) {
    const DataFilesSave saved = session_.saveDataFilesNow(false);
    if (!saved.error) return reply({});
    reply({0, {}, "qx4ctl: qx4-config could not save " + saved.failed.string() + ": " + saved.error.message() +
                      "; the file may lag behind its window\n"});
}

void RemoteCommands::runRules(const InstanceRequest& request, Replier reply) {
    const std::vector<std::string_view> arguments(request.arguments.begin(), request.arguments.end());
    FocusRules rules = follower_->rules();
    const RulesCommandOutcome outcome = runRulesCommand(arguments, rules);
    if (outcome.exitCode != 0) return reply(failed(request, outcome.error, outcome.exitCode));
    if (outcome.changed) {
        if (const QString error = follower_->changeRules(rules); !error.isEmpty()) {
            return reply(failed(request, error.toStdString()));
        }
    }
    reply({0, outcome.out, {}});
}

void RemoteCommands::applyThenReply(bool full, Compose compose, Replier reply) {
    const auto ticket = session_.apply(full);
    if (!ticket) return reply(compose({commands::SendResult::Kind::unavailable}));
    waiting_[*ticket] = [compose = std::move(compose), reply = std::move(reply)](const commands::SendResult& end) {
        reply(compose(end));
    };
}

void RemoteCommands::applyEnded(std::uint64_t ticket, const commands::SendResult& end) {
    const auto waiting = waiting_.find(ticket);
    if (waiting == waiting_.end()) return;
    const auto answer = std::move(waiting->second);
    waiting_.erase(waiting);
    answer(end);
}

}  // namespace qx4::gui
