#include "gui/macro/macro_step_editor.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStackedWidget>

#include "core/edit/macro_draft.h"
#include "gui/macro/macro_step_list.h"
#include "gui/common/number_entry.h"

namespace qx4::gui {

namespace {
enum EditorPage { kNoStepPage = 0, kKeyStepPage = 1, kMouseStepPage = 2 };
}  // namespace

MacroStepEditor::MacroStepEditor(const Controls& controls, MacroDraft& draft, QObject* parent)
    : QObject(parent), controls_(controls), draft_(draft) {
    const Controls& c = controls_;
    c.editCheck->setCheckable(true);
    connect(c.editCheck, &QAbstractButton::clicked, this, &MacroStepEditor::editModeClicked);
    // The field only shows the key; the key itself arrives through the capture.
    c.keyEdit->setReadOnly(true);
    c.keyEdit->installEventFilter(this);
    // The step takes the delay as it is typed, so a click elsewhere (Save, a step tool) never
    // loses it.
    for (QLineEdit* edit : {c.keyDelayEdit, c.buttonDelayEdit}) {
        limitToRange(*edit, kShortestTypedDelay, kLongestTypedDelay);
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { storeDelay(*edit); });
    }
    c.buttonCombo->clear();
    for (const std::uint8_t code : kMouseButtonStepCodes) c.buttonCombo->addItem(stepKeyName(code));
    connect(c.buttonCombo, &QComboBox::currentIndexChanged, this, &MacroStepEditor::onButtonChosen);
    c.pages->setCurrentIndex(kNoStepPage);
}

void MacroStepEditor::setEditMode(bool on) {
    editMode_ = on;
    controls_.editCheck->setChecked(on);
    showSelected();
}

void MacroStepEditor::setCheckEnabled(bool enabled) { controls_.editCheck->setEnabled(enabled); }

void MacroStepEditor::showSelected() {
    const Controls& c = controls_;
    const auto selected = draft_.selected();
    if (!editMode_ || !selected) {
        c.pages->setCurrentIndex(kNoStepPage);
        return;
    }
    const MacroAction& step = draft_.steps()[*selected];
    QLineEdit* delayEdit = c.keyDelayEdit;
    if (const int item = mouseButtonItem(step.code); item >= 0) {
        const QSignalBlocker blocker(c.buttonCombo);
        c.buttonCombo->setCurrentIndex(item);
        delayEdit = c.buttonDelayEdit;
        c.pages->setCurrentIndex(kMouseStepPage);
    } else {
        c.keyEdit->setText(stepKeyName(step.code));
        c.pages->setCurrentIndex(kKeyStepPage);
    }
    delayEdit->setText(QString::number(draft_.shownDelay(*selected)));
    delayEdit->setEnabled(*selected + 1 < draft_.size());
}

void MacroStepEditor::keyCaptured(std::uintptr_t virtualKey) {
    const std::uint8_t code = draft_.setSelectedKey(virtualKey);
    controls_.keyEdit->setText(stepKeyName(code));
    if (draft_.selected()) Q_EMIT stepEdited();
}

void MacroStepEditor::storeDelay(const QLineEdit& edit) {
    if (editMode_ && draft_.setSelectedDelayFromText(edit.text().toStdU16String())) Q_EMIT stepEdited();
}

void MacroStepEditor::onButtonChosen(int item) {
    if (editMode_ && draft_.setSelectedMouseButton(item)) Q_EMIT stepEdited();
}

bool MacroStepEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == controls_.keyEdit) {
        if (event->type() == QEvent::FocusIn) Q_EMIT keyFieldFocused(true);
        if (event->type() == QEvent::FocusOut) Q_EMIT keyFieldFocused(false);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qx4::gui
