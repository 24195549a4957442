// What every settings page is and what it may ask of the page hosting it. The wireless page
// creates one page per row of the page table, hands each the same context, and calls the hooks
// below; pages never call each other. They change the record and the macro store through their
// owner (PageData), which announces each change, and the host tells every page.
#pragma once

#include <QWidget>

#include <functional>

#include "core/config/device_config.h"
#include "gui/common/page_data.h"

namespace qx4::gui {

class CaptureService;
struct PageKind;

// What a page asks of its host (the wireless page).
class PageHost {
public:
    virtual ~PageHost() = default;

    // An apply, handled after the current event: full sends all five profiles, else what changed.
    virtual void requestApply(bool full) = 0;
    // A file or the macro library was written or read: the status line says what. An apply the
    // page asked for just before says it again at its end, with the word that it arrived.
    virtual void tellDone(const QString& /*words*/) {}
};

struct PageContext {
    PageData* data = nullptr;            // the record (edits go to its active profile) and the macro store
    PageHost* host = nullptr;
    CaptureService* capture = nullptr;   // keys and buttons from the input-hook library
    QWidget* mainWindow = nullptr;       // parent of dialogs
};

// What the mouse reported that a page may want to show. The record holds it already.
struct DeviceEvent {
    enum class Kind { dpiLevelChanged };
    Kind kind;
    int value = 0;  // dpiLevelChanged: the level, 0-7
};

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    // Loads the page's layout (kind.layoutFile) into the page.
    SettingsPage(QWidget* parent, const PageKind& kind);

    const PageKind& kind() const { return kind_; }

    virtual void setContext(const PageContext& context) { context_ = context; }
    // Shows the active profile of the record (after loading, a profile switch, an import, a
    // reset, or bindings changed by another page); changes nothing in it.
    virtual void refreshFromRecord() = 0;
    // The macro store changed: pages that offer macros list them anew.
    virtual void macrosChanged() {}
    // The user wants another tab. A page with unsaved work says so and returns false to stay.
    virtual bool canLeave() { return true; }
    // An edit of the page's own is open (an editor, a working copy), which a change of the bindings
    // or the macros from outside could undo or be undone by.
    virtual bool hasUnsavedEdits() const { return false; }
    // The wireless page's Apply is about to send: an edit still open is stored as the page's own
    // confirmation would store it. False, the edit staying open, when it would store nothing.
    virtual bool takeOpenEdit() { return true; }
    // The whole configuration was reset to its defaults; drop any edit in progress.
    virtual void resetDone() {}
    virtual void deviceEvent(const DeviceEvent& event) { (void)event; }

protected:
    const PageContext& context() const { return context_; }
    const ProfileSettings* activeProfile() const {
        return context_.data ? &context_.data->record().active() : nullptr;
    }
    // Input is handled only while the page is shown and has its record.
    bool handlesInput() const { return isVisible() && activeProfile() != nullptr; }
    // The user's edit of the active profile; `change` says whether it changed anything.
    bool editActiveProfile(const std::function<bool(ProfileSettings&)>& change) const {
        return context_.data &&
               context_.data->edit([&change](DeviceConfig& record) { return change(record.active()); });
    }

private:
    const PageKind& kind_;
    PageContext context_;
};

}  // namespace qx4::gui
