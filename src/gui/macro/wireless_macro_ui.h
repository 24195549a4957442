// The macro page ("WirelessMacro", "wireless_macro_tab"): the macro library on the left (create,
// delete, rename, import, export) and the steps of the selected macro on the right, edited in a
// working copy: recorded from keys and mouse buttons, inserted as clicks, moved, deleted, cleared
// and edited one by one. Save stores the working copy in the library and refreshes the bindings
// that hold a macro; Cancel drops it. While the copy has unsaved edits the page is modified: Save
// and Cancel take the place of Import and Export, the macro list is locked, and whatever would
// leave the macro (add, delete, import, export, another tab) asks to save first. A macro just
// added is such an edit too: Cancel takes it out of the library again.
#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

#include "core/edit/macro_draft.h"
#include "core/edit/macro_recorder.h"
#include "gui/common/capture_service.h"
#include "gui/common/settings_page.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qx4 {
struct MacroRecord;
}

namespace qx4::gui {

class MacroStepEditor;
class MacroStepList;
class OwnClicks;

class CWirelessMacroUI final : public SettingsPage, public CaptureTarget {
    Q_OBJECT
public:
    CWirelessMacroUI(QWidget* parent, const PageKind& kind);
    ~CWirelessMacroUI() override;

    void setContext(const PageContext& context) override;
    // The page shows the macro library, which the record does not hold.
    void refreshFromRecord() override {}
    void macrosChanged() override;
    // False, after saying so, while the working copy has unsaved edits.
    bool canLeave() override;
    // A working copy, a recording or a typed name that a change of the library from outside
    // (qx4ctl through the program) would undo or be undone by.
    bool hasUnsavedEdits() const override;

    // Input of the running recording, or a key for the step editor while its key field has the
    // focus.
    void capturedInput(const CapturedInput& input) override;

    bool modified() const { return modified_; }
    bool recording() const { return recorder_.recording(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Controls {
        QListWidget* macroList = nullptr;
        QLineEdit* nameEdit = nullptr;
        QAbstractButton* addButton = nullptr;
        QAbstractButton* deleteButton = nullptr;
        QAbstractButton* importButton = nullptr;
        QAbstractButton* exportButton = nullptr;
        QWidget* filePanel = nullptr;  // import and export, while not modified
        QWidget* savePanel = nullptr;  // save and cancel, while modified
        QAbstractButton* saveButton = nullptr;
        QAbstractButton* cancelButton = nullptr;
        QLabel* statusLabel = nullptr;
        QLabel* captureNote = nullptr;

        QAbstractButton* recordButton = nullptr;
        QButtonGroup* delayModes = nullptr;  // ids are DelayMode values
        QLineEdit* defaultDelayEdit = nullptr;
        QAbstractButton* upButton = nullptr;
        QAbstractButton* downButton = nullptr;
        QAbstractButton* deleteStepButton = nullptr;
        QAbstractButton* clearButton = nullptr;
        QAbstractButton* insertClickCheck = nullptr;
        QWidget* namePanel = nullptr;
        QWidget* clickPanel = nullptr;
        std::array<QAbstractButton*, 5> clickButtons{};
    };

    void findLibraryControls();
    void findStepControls();
    void connectLibraryControls();
    void connectStepControls();
    void showCaptureScope();
    bool ready() const;
    QWidget* dialogOwner() const;
    const MacroRecord* selectedMacro() const;

    // The library (wireless_macro_ui.cpp).
    void fillMacroList();
    void selectMacro(std::optional<std::size_t> position);
    void onAdd();
    void onDelete();
    void onImport();
    void onExport();
    void onRename();
    void commitTypedName();
    void onSave();
    void onCancel();
    void removeMacro(std::size_t position, std::optional<std::size_t> selectAfter);
    void setModified(bool modified);
    void askToSaveFirst();
    void noteStoreSaved(bool saved);
    void showStatus(const QString& text, bool problem);
    void tellDone(const QString& words);
    void sendBindings(const MacroStoreEdit& edit);

    // The steps and their recording (wireless_macro_steps.cpp).
    void onRecordClicked();
    void startRecording();
    void stopRecording();
    void onStepChosen(std::optional<std::size_t> step);
    void onEditModeClicked(bool on);
    void onKeyFieldFocused(bool focused);
    void onInsertClickToggled(bool checked);
    void insertClick(int mouseButton);
    void editSteps(bool (MacroDraft::*operation)());
    void stepsChanged();
    void updateStepTools();
    std::uint16_t defaultDelay() const;

    Controls c_;
    MacroDraft draft_;
    MacroRecorder recorder_{draft_};
    MacroStepList* stepList_ = nullptr;
    MacroStepEditor* stepEditor_ = nullptr;
    OwnClicks* ownClicks_ = nullptr;
    std::optional<std::size_t> selectedPosition_;
    // The macro Add made and the one selected before, until Save keeps it or Cancel removes it.
    struct AddedMacro {
        std::size_t position;
        std::optional<std::size_t> selectedBefore;
    };
    std::optional<AddedMacro> added_;
    bool modified_ = false;
    CaptureService::Capture recordingCapture_;
    CaptureService::Capture stepKeyCapture_;
};

}  // namespace qx4::gui
