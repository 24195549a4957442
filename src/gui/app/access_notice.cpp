#include "gui/app/access_notice.h"

#include <QLabel>
#include <QStringList>

#include "core/desktop/install_layout.h"
#include "gui/common/control_lookup.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
QString blockedNodes(const DeviceAccess& access) {
    QStringList nodes;
    for (const auto& node : access.blockedNodes) nodes << QString::fromStdString(node.string());
    return nodes.join(QStringLiteral(", "));
}

QString explanation(const AccessCheck& check) {
    if (check.access.state == DeviceAccess::State::noNode) return text("no_node_text");
    switch (check.fix.kind) {
    case AccessFix::Kind::installRule:
        return text("no_access_install_text");
    case AccessFix::Kind::applyRule:
        return text("no_access_apply_text");
    case AccessFix::Kind::noUdev:
        break;
    }
    return text("no_access_no_udev_text").arg(blockedNodes(check.access));
}
}  // namespace

AccessCheck checkAccessNow() {
    const SystemFolders system = systemFolders();
    AccessCheck check;
    check.access = checkDeviceAccess(system);
    check.fix = accessFix(check.access, runningProgramFolder(), system);
    return check;
}

void showOnNoDevicePage(QWidget* noDevicePage, const AccessCheck& check) {
    const ResourceManager& texts = ResourceManager::instance();
    auto* title = requireControl<QLabel>(noDevicePage, "no_device_title");
    auto* hint = requireControl<QLabel>(noDevicePage, "no_device_hint");
    auto* command = requireControl<QLabel>(noDevicePage, "no_device_command");
    const bool closed = check.mouseClosedToUser();
    const bool hasCommand = closed && check.access.state == DeviceAccess::State::notPermitted && !check.fix.command.empty();
    texts.setResourceText(title, closed ? QStringLiteral("no_access_title_text") : QStringLiteral("no_device_title_text"));
    if (closed) {
        texts.setPlainText(hint, explanation(check));
    } else {
        texts.setResourceText(hint, QStringLiteral("no_device_hint_text"));
    }
    command->setText(hasCommand ? QString::fromStdString(check.fix.command) : QString());
    command->setVisible(hasCommand);
}

QString accessStatusText(const AccessCheck& check) {
    if (check.access.state != DeviceAccess::State::notPermitted) return {};
    if (check.fix.command.empty()) return explanation(check);
    return text("no_access_status_text").arg(QString::fromStdString(check.fix.command));
}

NoDeviceAdvice noDeviceAdvice(const AccessCheck& check, bool virtualMouse) {
    if (virtualMouse) return {text("no_device_virtual_text"), {}};
    const QString port = text("no_device_port_text");
    if (check.fix.kind == AccessFix::Kind::noUdev) {
        return {port + QStringLiteral("\n\n") + text("no_device_no_udev_text"), {}};
    }
    return {port + QStringLiteral("\n\n") + text("no_device_access_text"), QString::fromStdString(check.fix.command)};
}

}  // namespace qx4::gui
