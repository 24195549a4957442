// The macro page's steps: recording, the step tools, click insertion and the step editor.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>

#include <array>

#include "gui/common/control_lookup.h"
#include "gui/common/resource_manager.h"
#include "gui/common/tab_order.h"
#include "gui/common/window_message.h"
#include "gui/macro/macro_step_editor.h"
#include "gui/macro/macro_step_list.h"
#include "gui/macro/own_clicks.h"
#include "gui/macro/wireless_macro_ui.h"
#include "gui/common/number_entry.h"

namespace qx4::gui {

namespace {
constexpr std::array kDelayModeButtons{"wireless_record_delay_btn", "wireless_default_delay_btn",
                                       "wireless_no_delay_btn"};
// The buttons' ids in their group are the DelayMode values.
static_assert(static_cast<int>(DelayMode::recorded) == 0 && static_cast<int>(DelayMode::noDelay) == 2);
}  // namespace

void CWirelessMacroUI::findStepControls() {
    c_.recordButton = requireControl<QAbstractButton>(this, "wireless_macro_record_btn");
    c_.recordButton->setCheckable(true);
    c_.recordButton->installEventFilter(this);
    c_.delayModes = new QButtonGroup(this);
    for (std::size_t mode = 0; mode < kDelayModeButtons.size(); ++mode) {
        QAbstractButton* button = requireControl<QAbstractButton>(this, kDelayModeButtons[mode]);
        button->setCheckable(true);
        c_.delayModes->addButton(button, static_cast<int>(mode));
    }
    c_.delayModes->button(static_cast<int>(recorder_.delayMode()))->setChecked(true);
    keepTabOnChosen(c_.delayModes);
    c_.defaultDelayEdit = requireControl<QLineEdit>(this, "wireless_default_delay_edit");
    limitToRange(*c_.defaultDelayEdit, kShortestTypedDelay, kLongestTypedDelay);
    c_.upButton = requireControl<QAbstractButton>(this, "wireless_macro_up_btn");
    c_.downButton = requireControl<QAbstractButton>(this, "wireless_macro_down_btn");
    c_.deleteStepButton = requireControl<QAbstractButton>(this, "wireless_macro_delete_action_btn");
    c_.clearButton = requireControl<QAbstractButton>(this, "wireless_macro_clear_action_btn");
    c_.insertClickCheck = requireControl<QAbstractButton>(this, "wireless_macro_insert_mouse_btn");
    c_.insertClickCheck->setCheckable(true);
    c_.namePanel = requireControl<QWidget>(this, "wireless_macro_name_tab");
    c_.clickPanel = requireControl<QWidget>(this, "wireless_macro_mouse_event_tab");
    for (std::size_t n = 0; n < c_.clickButtons.size(); ++n) {
        c_.clickButtons[n] =
            requireControl<QAbstractButton>(this, QStringLiteral("wireless_macro_key%1_btn").arg(n + 1));
    }

    auto* steps = requireControl<QListWidget>(this, "wireless_macro_action_list");
    stepList_ = new MacroStepList(steps, requireControl<QLabel>(this, "wireless_macro_summary_label"), this);
    // Clicking a row during a recording changes nothing, so a click there is one to record.
    ownClicks_ = new OwnClicks(*steps->viewport(), this);
    MacroStepEditor::Controls editor;
    editor.editCheck = requireControl<QAbstractButton>(this, "wireless_macro_action_edit_check");
    editor.pages = requireControl<QStackedWidget>(this, "wireless_macro_action_edit_tab");
    editor.keyEdit = requireControl<QLineEdit>(this, "wireless_macro_action_edit");
    editor.keyDelayEdit = requireControl<QLineEdit>(this, "wireless_macro_delay_edit");
    editor.buttonCombo = requireControl<QComboBox>(this, "wireless_macro_mouse_action_combo");
    editor.buttonDelayEdit = requireControl<QLineEdit>(this, "wireless_macro_mouseaction_delay_edit");
    stepEditor_ = new MacroStepEditor(editor, draft_, this);
}

void CWirelessMacroUI::connectStepControls() {
    connect(c_.recordButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onRecordClicked);
    connect(c_.delayModes, &QButtonGroup::idClicked, this, [this](int mode) {
        recorder_.setDelayMode(static_cast<DelayMode>(mode));
        updateStepTools();
    });
    connect(c_.upButton, &QAbstractButton::clicked, this, [this] { editSteps(&MacroDraft::moveSelectedUp); });
    connect(c_.downButton, &QAbstractButton::clicked, this, [this] { editSteps(&MacroDraft::moveSelectedDown); });
    connect(c_.deleteStepButton, &QAbstractButton::clicked, this,
            [this] { editSteps(&MacroDraft::removeSelected); });
    connect(c_.clearButton, &QAbstractButton::clicked, this, [this] {
        if (!selectedMacro()) return;
        draft_.clear();
        setModified(true);
        stepsChanged();
    });
    connect(c_.insertClickCheck, &QAbstractButton::toggled, this, &CWirelessMacroUI::onInsertClickToggled);
    onInsertClickToggled(c_.insertClickCheck->isChecked());
    for (std::size_t n = 0; n < c_.clickButtons.size(); ++n) {
        connect(c_.clickButtons[n], &QAbstractButton::clicked, this,
                [this, n] { insertClick(static_cast<int>(n) + 1); });
    }
    connect(stepList_, &MacroStepList::stepChosen, this, &CWirelessMacroUI::onStepChosen);
    connect(stepEditor_, &MacroStepEditor::editModeClicked, this, &CWirelessMacroUI::onEditModeClicked);
    connect(stepEditor_, &MacroStepEditor::keyFieldFocused, this, &CWirelessMacroUI::onKeyFieldFocused);
    connect(stepEditor_, &MacroStepEditor::stepEdited, this, [this] {
        setModified(true);
        stepList_->show(draft_);
    });
}

// While the entry is being typed into it may hold no number yet; the last one it showed counts.
std::uint16_t CWirelessMacroUI::defaultDelay() const {
    return static_cast<std::uint16_t>(lastNumberShown(*c_.defaultDelayEdit).value_or(kNoDelayMs));
}

void CWirelessMacroUI::onRecordClicked() {
    if (recording()) return stopRecording();
    startRecording();
}

// Records after the selected step, or over the whole macro when none is selected; a macro is
// created first when none is.
void CWirelessMacroUI::startRecording() {
    CaptureService* capture = context().capture;
    if (!ready() || !capture) return stopRecording();
    if (!selectedMacro()) {
        onAdd();
        if (!selectedMacro()) return stopRecording();
    }
    stepEditor_->setEditMode(false);
    // Keys typed into this window during the recording must not also edit a field or the list.
    if (QWidget* focused = window()->focusWidget()) focused->clearFocus();
    // The entry shows the delay that is used.
    const std::uint16_t delay = defaultDelay();
    c_.defaultDelayEdit->setText(QString::number(delay));
    recorder_.start(delay, monotonicMilliseconds());
    ownClicks_->start(capture->wholeDesktop());
    // The mouse buttons are captured only once the pointer has left the record button.
    recordingCapture_ = capture->begin(CaptureService::Kind::macroRecording, *this);
    c_.recordButton->setChecked(true);
    ResourceManager::instance().setResourceText(c_.recordButton, QStringLiteral("stop_recording_text"));
    setModified(true);
    stepsChanged();
}

void CWirelessMacroUI::stopRecording() {
    recorder_.stop();
    recordingCapture_.end();
    ownClicks_->stop();
    c_.recordButton->setChecked(false);
    ResourceManager::instance().setResourceText(c_.recordButton, QStringLiteral("start_recording_text"));
    updateStepTools();
}

void CWirelessMacroUI::capturedInput(const CapturedInput& input) {
    const CaptureService* capture = context().capture;
    if (!capture) return;
    if (capture->flag(CaptureService::Kind::macroRecording)) {
        // A click on the program's own controls (the one that stops, saves or leaves the recording
        // among them) is the user working the program, not a step.
        if (ownClicks_->isOwn(input)) return;
        if (recorder_.record(input)) stepsChanged();
        // A full macro ends the recording by itself.
        if (!recorder_.recording()) stopRecording();
    } else if (capture->flag(CaptureService::Kind::macroStepKey) && input.isKey()) {
        stepEditor_->keyCaptured(input.virtualKey);
    }
}

bool CWirelessMacroUI::eventFilter(QObject* watched, QEvent* event) {
    // The click that stops a recording must not become a step of it.
    if (watched == c_.recordButton && recording()) {
        if (event->type() == QEvent::Enter) recordingCapture_.pauseMouse(true);
        if (event->type() == QEvent::Leave) recordingCapture_.pauseMouse(false);
    }
    return SettingsPage::eventFilter(watched, event);
}

void CWirelessMacroUI::onKeyFieldFocused(bool focused) {
    CaptureService* capture = context().capture;
    if (focused && capture && !recording()) {
        stepKeyCapture_ = capture->begin(CaptureService::Kind::macroStepKey, *this);
    } else {
        stepKeyCapture_.end();
    }
}

void CWirelessMacroUI::onStepChosen(std::optional<std::size_t> step) {
    // A recording goes on where it began: a click into the list does not move it.
    if (recording()) return stepList_->show(draft_);
    draft_.select(step);
    stepEditor_->showSelected();
    updateStepTools();
}

void CWirelessMacroUI::onEditModeClicked(bool on) {
    if (on && !draft_.selected()) return stepEditor_->setEditMode(false);
    stepEditor_->setEditMode(on);
    setModified(true);
}

void CWirelessMacroUI::onInsertClickToggled(bool checked) {
    c_.clickPanel->setVisible(checked);
    c_.namePanel->setVisible(!checked);
}

// A press and a release right after the selected step, each followed by the default delay in
// that mode, else by the shortest one.
void CWirelessMacroUI::insertClick(int mouseButton) {
    if (!selectedMacro()) return;
    if (!draft_.insertClick(mouseButton, clickDelay(recorder_.delayMode(), defaultDelay()))) return;
    setModified(true);
    stepsChanged();
}

void CWirelessMacroUI::editSteps(bool (MacroDraft::*operation)()) {
    if (!(draft_.*operation)()) return;
    setModified(true);
    stepsChanged();
}

void CWirelessMacroUI::stepsChanged() {
    stepList_->show(draft_);
    stepEditor_->showSelected();
    updateStepTools();
}

// Tools that would do nothing are disabled; during a recording the steps are left to it. The
// default delay is taken when a recording starts and used only in its own mode.
void CWirelessMacroUI::updateStepTools() {
    c_.defaultDelayEdit->setEnabled(recorder_.delayMode() == DelayMode::defaultDelay && !recording());
    const bool free = selectedMacro() != nullptr && !recording();
    const auto selected = draft_.selected();
    c_.upButton->setEnabled(free && selected && *selected > 0);
    c_.downButton->setEnabled(free && selected && *selected + 1 < draft_.size());
    c_.deleteStepButton->setEnabled(free && selected);
    c_.clearButton->setEnabled(free && draft_.size() > 0);
    const bool roomForClick = draft_.size() + 2 <= MacroDraft::kCapacity;
    for (QAbstractButton* button : c_.clickButtons) button->setEnabled(free && roomForClick);
    stepEditor_->setCheckEnabled(free);
}

}  // namespace qx4::gui
