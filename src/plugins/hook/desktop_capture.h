// The hook's whole-desktop backend on X11: a connection of its own to the X server, watching the
// XInput 2 raw key and button events of the root window. Raw events are copies of what the server
// delivers: every application still gets its input and nothing is grabbed. A reader thread turns
// them into UM_HOOK_INPUT through the gates, each stamped with the moment the server took it.
#pragma once

#include <memory>

#include "plugins/hook/capture_gates.h"

namespace qx4::gui {

class DesktopCapture {
public:
    // Whether the X server that DISPLAY names can be watched this way (it offers XInput 2).
    static bool available();
    // Connects and starts reading; nothing when there is no server or it cannot be watched. Input
    // made once this returns is seen.
    static std::unique_ptr<DesktopCapture> start(const CaptureGates& gates);
    // Stops reading: nothing is posted once it returns. Not to be called from within a post.
    ~DesktopCapture();

    DesktopCapture(const DesktopCapture&) = delete;
    DesktopCapture& operator=(const DesktopCapture&) = delete;

private:
    class Reader;
    explicit DesktopCapture(std::unique_ptr<Reader> reader);
    std::unique_ptr<Reader> reader_;
};

}  // namespace qx4::gui
