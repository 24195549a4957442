// The hook's in-process backend, for where the whole desktop cannot be watched: an
// application-wide event filter that sees the keys and mouse buttons delivered to the program's
// own windows and posts them as UM_HOOK_INPUT. Input from the system reaches a window (QWindow)
// before any widget, so only events addressed to a window are taken: each input is posted once,
// however far it travels among the widgets afterwards. Nothing is swallowed; the windows get
// every event as before.
#pragma once

#include <QObject>

#include "plugins/hook/capture_gates.h"

namespace qx4::gui {

class InputCapture final : public QObject {
public:
    explicit InputCapture(const CaptureGates& gates) : gates_(gates) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CaptureGates& gates_;
};

}  // namespace qx4::gui
