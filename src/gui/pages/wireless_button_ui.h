// The button page: the twelve buttons of the active profile as numbered rows beside a picture of
// the mouse with the same numbers (ButtonRows), and the editor that rebinds one button. The editor
// is a view over the core's BindingEditor: every choice goes to it, and the widgets then show what
// it holds. OK stores the binding and asks for a full download, so the change reaches the mouse
// at once; the wireless page's Apply takes an open edit with it. Enter and Esc confirm and cancel
// only when no control of the editor keeps them: an open list closes on them, and the listening
// key field captures them.
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "core/edit/binding_editor.h"
#include "core/macro/macro_store.h"
#include "gui/common/capture_service.h"
#include "gui/common/settings_page.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace qx4::gui {

class ButtonRows;
class KeyCaptureField;

class CWirelessButtonUI final : public SettingsPage, public CaptureTarget {
    Q_OBJECT
public:
    CWirelessButtonUI(QWidget* parent, const PageKind& kind);
    ~CWirelessButtonUI() override;

    void refreshFromRecord() override;
    void macrosChanged() override { refillMacroList(); }
    void resetDone() override { closeEditor(); }
    bool hasUnsavedEdits() const override { return editor_.has_value(); }
    bool takeOpenEdit() override;
    // Keys while the key field listens: the last press, with the modifier keys held with it,
    // counts until its key is released. A key without a code is named and changes nothing.
    void capturedInput(const CapturedInput& input) override;

    // Opens the editor on button 0-11 of the active profile, unless it is the profile's last left
    // click, which the user is told in a warning.
    void openEditor(int button);
    // Drops the edit and ends any key capture.
    void closeEditor();
    // The row of button 0-11 shows the label of its binding.
    void refreshLabel(int button);
    void refillMacroList();
    // The button whose editor is open, -1 when none.
    int editedButton() const { return editor_ ? editor_->button() : -1; }

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void findControls();
    void connectControls();
    void fillFunctionSelectors();

    void onGroupChosen(int item);
    void onFunctionChosen(FunctionGroup group, int item);
    void onMacroChosen(int item);
    void onRepeatModeChosen(int item);
    void onLoopCountFinished();
    void apply();
    // The binding into the record; false when a keyboard binding has neither key nor modifier.
    bool storeEdit();
    void refuseLastLeftClick(int button);
    void onListeningChanged(bool listening);

    // Shows everything the editor holds; the key field listens only while the keyboard group shows.
    void showEditor();
    void showCombination();
    void showCaptureState();
    const MacroList& macros() const { return context().data ? context().data->macros() : noMacros_; }

    std::unique_ptr<ButtonRows> rows_;
    QWidget* hintPanel_ = nullptr;
    QWidget* editorPanel_ = nullptr;
    QLabel* editorTitle_ = nullptr;
    QLabel* editorPlace_ = nullptr;
    QComboBox* groupCombo_ = nullptr;
    QStackedWidget* groupTabs_ = nullptr;
    std::array<std::pair<FunctionGroup, QComboBox*>, 6> functionCombos_{};
    QLabel* defaultFunctionLabel_ = nullptr;
    QLineEdit* keyDisplay_ = nullptr;
    QLabel* keyHint_ = nullptr;
    KeyCaptureField* keyField_ = nullptr;
    std::array<QCheckBox*, 4> modifierBoxes_{};
    QComboBox* macroCombo_ = nullptr;
    QLabel* noMacrosLabel_ = nullptr;
    QComboBox* repeatCombo_ = nullptr;
    QWidget* loopRow_ = nullptr;
    QLineEdit* loopEdit_ = nullptr;
    QAbstractButton* applyButton_ = nullptr;
    QAbstractButton* cancelButton_ = nullptr;

    std::optional<BindingEditor> editor_;
    std::optional<std::uintptr_t> unboundKey_;  // the last key captured that has no code
    int openedProfile_ = -1;
    ButtonBinding openedBinding_{};   // as stored when the editor opened
    CaptureService::Capture capture_;
    MacroList noMacros_;
};

}  // namespace qx4::gui
