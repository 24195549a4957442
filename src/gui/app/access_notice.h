// Telling the user that the mouse is on USB but closed to them, and how to open it: on the page
// the main window shows without a mouse (with the command to copy) and in the status line while a
// link counts as present but cannot be written to; and what to try when no mouse is found.
#pragma once

#include <QString>

#include "core/device/device_access.h"

class QWidget;

namespace qx4::gui {

struct AccessCheck {
    DeviceAccess access;
    AccessFix fix;
    // The mouse is there, yet the driver cannot open it: never to be shown as "no mouse".
    bool mouseClosedToUser() const {
        return access.state == DeviceAccess::State::notPermitted || access.state == DeviceAccess::State::noNode;
    }
};

// Reads sysfs and /dev now, for the program's own folder.
AccessCheck checkAccessNow();

// The no-device page ("no_device_page") says why there is no mouse: the access problem with its
// command, or, without one, that no mouse is plugged in.
void showOnNoDevicePage(QWidget* noDevicePage, const AccessCheck& check);

// For the status line while a link is present but this user may not open its node; empty when
// there is nothing to say.
QString accessStatusText(const AccessCheck& check);

// What the no-device warning suggests beyond plugging the mouse in: another USB port for a
// receiver that is not found, then the access a user may lack (with the command that gives it,
// when there is one); with the virtual mouse, how to start it.
struct NoDeviceAdvice {
    QString text;
    QString command;
};
NoDeviceAdvice noDeviceAdvice(const AccessCheck& check, bool virtualMouse);

}  // namespace qx4::gui
