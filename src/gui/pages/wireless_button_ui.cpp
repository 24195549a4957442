#include "gui/pages/wireless_button_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStackedWidget>

#include <algorithm>

#include "core/config/record_bytes.h"
#include "core/edit/binding_edit.h"
#include "core/edit/captured_input.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"
#include "gui/common/control_lookup.h"
#include "gui/common/elided_text.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"
#include "gui/pages/button_rows.h"
#include "gui/pages/key_capture_field.h"
#include "gui/common/number_entry.h"

namespace qx4::gui {

namespace {
struct SelectorControl {
    FunctionGroup group;
    const char* name;
};

constexpr std::array<SelectorControl, 6> kSelectors{{
    {FunctionGroup::mouse, "wireless_mouse_type_combo"},
    {FunctionGroup::dpi, "wireless_dpi_type_combo"},
    {FunctionGroup::profile, "wireless_profile_type_combo"},
    {FunctionGroup::media, "wireless_media_type_combo"},
    {FunctionGroup::system, "wireless_system_type_combo"},
    {FunctionGroup::shortcut, "wireless_shortcut_type_combo"},
}};

// The check boxes "wireless_check_key_1" to "_4", in this order.
constexpr std::array<std::uint8_t, 4> kModifierBits{kModifierCtrl, kModifierShift, kModifierAlt, kModifierWin};

// Virtual keys are below this; the hook library's mouse-button messages start at 0x0201.
constexpr std::uintptr_t kVirtualKeyLimit = 0x100;

QString toQString(std::u16string_view text) { return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString(); }

std::u16string languageText(std::u16string_view key) {
    return ResourceManager::instance().text(toQString(key)).toStdU16String();
}

QString shownName(const DisplayText& name) { return toQString(resolveText(name, languageText)); }

// Which key could not be bound, by its name as far as the program knows one.
QString unboundKeyText(std::uintptr_t virtualKey) {
    QString name = shownName(capturedKeyName(virtualKey));
    if (name.isEmpty()) {
        name = text("macro_unknown_key_text").arg(QString::number(virtualKey, 16).rightJustified(2, u'0').toUpper());
    }
    return text("keyboard_key_unbindable_text").arg(name);
}

// A selection the page makes runs no handler; the selector's tool tip shows what it now shows.
void showSelection(QComboBox* combo, int item) {
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(item >= 0 && item < combo->count() ? item : -1);
    combo->setToolTip(plainToolTip(combo->currentText()));
}
}  // namespace

CWirelessButtonUI::CWirelessButtonUI(QWidget* parent, const PageKind& kind) : SettingsPage(parent, kind) {
    findControls();
    fillFunctionSelectors();
    connectControls();
    editorPanel_->hide();
}

// The key field goes after this body, with the page's children; were it still listening, the focus
// it loses on the way would tell a page half gone.
CWirelessButtonUI::~CWirelessButtonUI() { keyField_->stop(); }

void CWirelessButtonUI::findControls() {
    rows_ = std::make_unique<ButtonRows>(this);
    hintPanel_ = requireControl<QWidget>(this, "wireless_button_hint_panel");
    editorPanel_ = requireControl<QWidget>(this, "wireless_button_function_hor");
    editorTitle_ = requireControl<QLabel>(this, "wireless_button_editor_title");
    editorPlace_ = requireControl<QLabel>(this, "wireless_button_editor_place");
    groupCombo_ = requireControl<QComboBox>(this, "wireless_button_type_combo");
    groupTabs_ = requireControl<QStackedWidget>(this, "wireless_button_type_tab_switch");
    for (std::size_t i = 0; i < kSelectors.size(); ++i) {
        functionCombos_[i] = {kSelectors[i].group, requireControl<QComboBox>(this, kSelectors[i].name)};
    }
    defaultFunctionLabel_ = requireControl<QLabel>(this, "wireless_default_function_label");
    keyDisplay_ = requireControl<QLineEdit>(this, "wireless_keyboard_type_edit");
    keyHint_ = requireControl<QLabel>(this, "wireless_keyboard_hint_label");
    keyField_ = new KeyCaptureField(keyDisplay_);
    for (std::size_t i = 0; i < modifierBoxes_.size(); ++i) {
        modifierBoxes_[i] = requireControl<QCheckBox>(this, QStringLiteral("wireless_check_key_%1").arg(i + 1));
    }
    macroCombo_ = requireControl<QComboBox>(this, "wireless_macro_type_combo");
    macroCombo_->setPlaceholderText(text("macro_choose_text"));
    elideCurrentItem(macroCombo_);  // macro names are longer than the editor is wide
    noMacrosLabel_ = requireControl<QLabel>(this, "wireless_macro_empty_label");
    repeatCombo_ = requireControl<QComboBox>(this, "wireless_macro_repeat_mode_combo");
    loopRow_ = requireControl<QWidget>(this, "wireless_loop_times_hor");
    loopEdit_ = requireControl<QLineEdit>(this, "wireless_loop_times_edit");
    limitToRange(*loopEdit_, kLoopCountMin, kLoopCountMax);
    applyButton_ = requireControl<QAbstractButton>(this, "wireless_button_apply_btn");
    cancelButton_ = requireControl<QAbstractButton>(this, "wireless_button_cancel_btn");
}

// The selectors list the catalogue's functions in the catalogue's own order, so an item always
// stores the code it names.
void CWirelessButtonUI::fillFunctionSelectors() {
    for (const auto& [group, combo] : functionCombos_) {
        const QSignalBlocker blocker(combo);
        combo->clear();
        for (const std::uint8_t code : selectorItems(group)) {
            combo->addItem(toQString(languageText(functionTextKey(code))));
        }
    }
}

void CWirelessButtonUI::connectControls() {
    // The editor opens once the row's own click has been handled: the warning it may show runs a
    // loop of its own, and the rows it holds are still changing their selection.
    connect(rows_.get(), &ButtonRows::chosen, this, &CWirelessButtonUI::openEditor, Qt::QueuedConnection);
    connect(groupCombo_, &QComboBox::currentIndexChanged, this, &CWirelessButtonUI::onGroupChosen);
    for (const auto& [group, combo] : functionCombos_) {
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, chosen = group](int item) { onFunctionChosen(chosen, item); });
    }
    for (std::size_t i = 0; i < modifierBoxes_.size(); ++i) {
        connect(modifierBoxes_[i], &QAbstractButton::toggled, this, [this, i](bool held) {
            if (editor_) editor_->setModifier(kModifierBits[i], held);
        });
    }
    connect(macroCombo_, &QComboBox::currentIndexChanged, this, &CWirelessButtonUI::onMacroChosen);
    connect(repeatCombo_, &QComboBox::currentIndexChanged, this, &CWirelessButtonUI::onRepeatModeChosen);
    connect(loopEdit_, &QLineEdit::editingFinished, this, &CWirelessButtonUI::onLoopCountFinished);
    connect(applyButton_, &QAbstractButton::clicked, this, &CWirelessButtonUI::apply);
    connect(cancelButton_, &QAbstractButton::clicked, this, &CWirelessButtonUI::closeEditor);
    connect(keyField_, &KeyCaptureField::listeningChanged, this, &CWirelessButtonUI::onListeningChanged);
    // Enter and Esc reach the panel only when the control that had them let them go on: an open
    // list keeps them, and so does the listening key field.
    editorPanel_->installEventFilter(this);
}

bool CWirelessButtonUI::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editorPanel_ || event->type() != QEvent::KeyPress || !editor_) {
        return SettingsPage::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool confirms = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!confirms && key != Qt::Key_Escape) return false;
    if (keyField_->listening()) return true;
    // Enter on Cancel is a press of Cancel.
    if (confirms && QApplication::focusWidget() != cancelButton_) {
        apply();
    } else {
        closeEditor();
    }
    return true;
}

void CWirelessButtonUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    for (int i = 0; i < kShownButtonCount; ++i) refreshLabel(i);
    // An edit belongs to the binding it opened on; another profile or a binding changed under it
    // (import, a macro saved) would have it overwrite what it never showed.
    if (editor_) {
        const ButtonBinding& stored = profile->buttons[static_cast<std::size_t>(editor_->button())];
        if (context().data->record().activeProfile != openedProfile_ ||
            !std::ranges::equal(recordBytes(stored), recordBytes(openedBinding_))) {
            closeEditor();
        }
    }
}

// A macro's name alone would read like a function: the row says it is a macro and how it plays.
void CWirelessButtonUI::refreshLabel(int button) {
    const ProfileSettings* profile = activeProfile();
    if (!profile || button < 0 || button >= kShownButtonCount) return;
    const ButtonBinding& binding = profile->buttons[static_cast<std::size_t>(button)];
    DisplayText label = bindingLabel(binding, languageText);
    if (binding.functionCode == kMacroFunctionCode) {
        const QString name = toQString(label.text);
        const ResourceManager& texts = ResourceManager::instance();
        const QString played =
            binding.macroRepeatMode == 1   ? texts.text(QStringLiteral("button_macro_hold_text")).arg(name)
            : binding.macroRepeatMode == 2 ? texts.text(QStringLiteral("button_macro_toggle_text")).arg(name)
                                           : texts.text(QStringLiteral("button_macro_times_text"))
                                                 .arg(texts.formatNumber(binding.macroLoopCount), name);
        label.text = played.toStdU16String();
    }
    rows_->setLabel(button, label);
}

void CWirelessButtonUI::refillMacroList() {
    const QSignalBlocker blocker(macroCombo_);
    macroCombo_->clear();
    for (const MacroRecord& macro : macros()) macroCombo_->addItem(toQString(macroNameText(macro.name)));
    macroCombo_->setCurrentIndex(-1);
    noMacrosLabel_->setVisible(macros().empty());
}

void CWirelessButtonUI::openEditor(int button) {
    if (button < 0 || button >= kShownButtonCount) return;
    if (!handlesInput()) {
        rows_->release();
        return;
    }
    if (editedButton() == button) return;
    closeEditor();  // a second row chosen before the first one's editor opened
    std::optional<BindingEditor> opened = BindingEditor::open(*activeProfile(), button, macros());
    if (!opened) {
        refuseLastLeftClick(button);
        return;
    }
    editor_ = std::move(opened);
    openedProfile_ = context().data->record().activeProfile;
    openedBinding_ = activeProfile()->buttons[static_cast<std::size_t>(button)];
    rows_->hold(button, true);
    editorTitle_->setText(text("button_editor_title_text").arg(button + 1));
    editorPlace_->setText(buttonPlace(button));
    defaultFunctionLabel_->setText(
        text("group_default_hint_text").arg(toQString(languageText(functionTextKey(defaultFunctionCode(button))))));
    hintPanel_->hide();
    editorPanel_->show();
    showEditor();
    // The key field takes the keyboard but listens only once asked (Space or a click), so that
    // Tab still leaves it.
    if (editor_->capturesKeys()) {
        keyDisplay_->setFocus();
    } else {
        groupCombo_->setFocus();
    }
}

void CWirelessButtonUI::refuseLastLeftClick(int button) {
    rows_->hold(button, false);
    runMessageBox(context().mainWindow ? context().mainWindow : window(), QStringLiteral("warning_title_text"),
                  QStringLiteral("one_click_text"));
    rows_->release();
}

void CWirelessButtonUI::closeEditor() {
    keyField_->stop();
    capture_.end();
    const int button = editedButton();
    const bool focusInEditor = editorPanel_->isAncestorOf(QApplication::focusWidget());
    editor_.reset();
    rows_->release();
    editorPanel_->hide();
    hintPanel_->show();
    if (button >= 0 && focusInEditor) rows_->focusRow(button);
}

void CWirelessButtonUI::apply() {
    if (!editor_) return;
    if (storeEdit() && context().host) context().host->requestApply(true);
    closeEditor();
}

// The wireless page's apply sends it with everything else; an edit that stores nothing stays
// open, so that it is not lost unseen.
bool CWirelessButtonUI::takeOpenEdit() {
    if (!editor_) return true;
    if (!storeEdit()) return false;
    closeEditor();
    return true;
}

bool CWirelessButtonUI::storeEdit() {
    if (!activeProfile()) return false;
    // Enter confirms while the loop count still has the focus: what it shows is what is stored.
    if (editor_->shownGroup() == FunctionGroup::macro) onLoopCountFinished();
    const int button = editor_->button();
    if (!editActiveProfile([this](ProfileSettings& profile) { return editor_->apply(profile); })) return false;
    refreshLabel(button);
    return true;
}

void CWirelessButtonUI::capturedInput(const CapturedInput& input) {
    if (!editor_ || !input.isKey() || input.virtualKey >= kVirtualKeyLimit) return;
    const auto taken = keyField_->take(input.virtualKey, !input.pressed);
    if (!taken) return;
    if (editor_->captureKey(taken->virtualKey, taken->heldModifiers)) {
        unboundKey_.reset();
        showCombination();
    } else {
        keyField_->refuse();
        unboundKey_ = taken->virtualKey;
    }
    showCaptureState();
}

void CWirelessButtonUI::onGroupChosen(int item) {
    if (!editor_ || item < 0) return;
    editor_->changeGroup(static_cast<FunctionGroup>(item));
    showEditor();
    // The keyboard moves on to the key field, which listens once asked, as when the editor opens.
    if (editor_->capturesKeys()) keyDisplay_->setFocus();
}

void CWirelessButtonUI::onFunctionChosen(FunctionGroup group, int item) {
    if (!editor_ || item < 0 || editor_->shownGroup() != group) return;
    editor_->selectItem(item);
    showEditor();
}

void CWirelessButtonUI::onMacroChosen(int item) {
    if (!editor_ || item < 0) return;
    editor_->chooseMacro(static_cast<std::size_t>(item));
    showEditor();
}

void CWirelessButtonUI::onRepeatModeChosen(int item) {
    if (!editor_ || item < 0) return;
    editor_->setRepeatMode(item);
    showEditor();
}

void CWirelessButtonUI::onLoopCountFinished() {
    if (editor_) loopEdit_->setText(toQString(editor_->commitLoopCount(loopEdit_->text().toStdU16String())));
}

void CWirelessButtonUI::showEditor() {
    const ButtonBinding& working = editor_->working();
    const FunctionGroup group = editor_->shownGroup();
    showSelection(groupCombo_, static_cast<int>(group));
    groupTabs_->setCurrentIndex(static_cast<int>(group));
    for (const auto& [selectorGroup, combo] : functionCombos_) {
        if (selectorGroup == group) showSelection(combo, codeToGroupItem(group, working.functionCode));
    }
    if (group == FunctionGroup::keyboard) {
        const CaptureService* service = context().capture;
        keyField_->setCanListen(service && service->available());
        showCombination();
    } else if (group == FunctionGroup::macro) {
        showSelection(macroCombo_, working.macroIndex);
        showSelection(repeatCombo_, working.macroRepeatMode);
        loopRow_->setVisible(editor_->showsLoopCount());
        loopEdit_->setText(toQString(editor_->loopCountText()));
    }
    if (group != FunctionGroup::keyboard) keyField_->stop();
    showCaptureState();
}

void CWirelessButtonUI::showCombination() {
    const ButtonBinding& working = editor_->working();
    keyDisplay_->setText(working.keyCode == 0 ? QString() : shownName(keyCodeName(working.keyCode)));
    for (std::size_t i = 0; i < modifierBoxes_.size(); ++i) {
        const QSignalBlocker blocker(modifierBoxes_[i]);
        modifierBoxes_[i]->setChecked((working.modifierMask & kModifierBits[i]) != 0);
    }
}

// The hook hears keys only while the key field listens; a key that could not be bound is told
// until the next key or the next time the field listens.
void CWirelessButtonUI::onListeningChanged(bool listening) {
    if (listening) unboundKey_.reset();
    if (listening && context().capture) {
        capture_ = context().capture->begin(CaptureService::Kind::buttonKey, *this);
    } else {
        capture_.end();
    }
    showCaptureState();
}

// Without the hook library the keyboard group still opens (its modifiers alone make a binding)
// and says why no key appears.
void CWirelessButtonUI::showCaptureState() {
    if (!editor_ || !editor_->capturesKeys()) return;
    const CaptureService* service = context().capture;
    const bool available = service && service->available();
    const bool listening = keyField_->listening();
    const bool unbound = unboundKey_.has_value();
    keyHint_->setText(unbound ? unboundKeyText(*unboundKey_)
                              : text(!available ? "keyboard_capture_missing_text"
                                     : listening ? "keyboard_capture_hint_text"
                                                 : "keyboard_capture_again_text"));
    setSkinProperty(keyHint_, "qx4role", available && !unbound ? QStringLiteral("caption") : QStringLiteral("danger"));
    keyDisplay_->setPlaceholderText(text(!available ? "keyboard_no_capture_text"
                                         : listening ? "keyboard_press_key_text"
                                                     : "keyboard_click_to_capture_text"));
}

void CWirelessButtonUI::hideEvent(QHideEvent* event) {
    SettingsPage::hideEvent(event);
    // Leaving the page (another tab, the tray) drops the edit, so no capture runs unseen.
    if (!event->spontaneous()) closeEditor();
    rows_->forgetPointer();
}

}  // namespace qx4::gui
