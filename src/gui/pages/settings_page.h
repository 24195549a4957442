// What the wireless page hands each of its four settings pages (button, DPI, lighting, macro).
// Pages are created by the main layout's control factory, so they get their references after
// construction, then are refreshed from the record whenever the shown profile changes.
#pragma once

#include <QWidget>

#include "core/abi/qx4_message_sink.h"
#include "core/config/device_config.h"

namespace qx4 {
class MacroList;
}

namespace qx4::gui {

struct HookTable;
struct CaptureFlags;

struct PageContext {
    DeviceConfig* record = nullptr;      // the current record; edits go to record->active()
    MacroList* macros = nullptr;         // the macro store
    const HookTable* hooks = nullptr;    // bound input-hook entry points (may all be null)
    CaptureFlags* captureFlags = nullptr;
    QWidget* mainWindow = nullptr;       // target of posted window messages, parent of dialogs
    const qx4_message_sink* messageSink = nullptr;  // posts to mainWindow; handed to "installhook"
};

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void setContext(const PageContext& context) { context_ = context; }
    // Shows the active profile of the record; changes nothing in it.
    virtual void refreshFromRecord() = 0;
    // The macro store changed (loaded, imported into): pages that offer macros list them anew.
    virtual void reloadMacroSelectors() {}

protected:
    const PageContext& context() const { return context_; }
    ProfileSettings* activeProfile() const {
        return context_.record ? &context_.record->active() : nullptr;
    }

private:
    PageContext context_;
};

}  // namespace qx4::gui
