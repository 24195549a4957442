#include "gui/macro/wireless_macro_ui.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <utility>

#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/edit/macro_rename.h"
#include "core/macro/macro_store.h"
#include "gui/common/control_lookup.h"
#include "gui/common/elided_text.h"
#include "gui/common/file_dialog.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"
#include "gui/macro/macro_file_dialog.h"
#include "gui/macro/macro_step_editor.h"

namespace qx4::gui {

namespace {
constexpr int kMacroRowHeight = 30;

QString nameOf(const MacroRecord& macro) { return QString::fromStdU16String(macroNameText(macro.name)); }

// The confirmation names the macro, so that a slip in the list does not cost the wrong one.
bool confirmDelete(QWidget* owner, const MacroRecord& macro) {
    CMsgWnd box(owner, QStringLiteral("warning_title_text"), QStringLiteral("delete_macro_text"));
    auto* message = requireControl<QLabel>(&box, "warning");
    message->setTextFormat(Qt::PlainText);  // the name is the user's text, never markup
    ResourceManager::instance().setPlainText(message, text("delete_macro_text").arg(nameOf(macro)));
    box.setDefaultChoice(CMsgWnd::kCancelled);
    return box.showModal() == CMsgWnd::kConfirmed;
}
}  // namespace

CWirelessMacroUI::CWirelessMacroUI(QWidget* parent, const PageKind& kind) : SettingsPage(parent, kind) {
    findLibraryControls();
    findStepControls();
    connectLibraryControls();
    connectStepControls();
    setModified(false);
    selectMacro(std::nullopt);
}

// A field that loses the focus stores what it holds (a name, a delay), which needs the whole page:
// the focus leaves before the page begins to go.
CWirelessMacroUI::~CWirelessMacroUI() {
    if (QWidget* focused = focusWidget(); focused && isAncestorOf(focused)) focused->clearFocus();
}

void CWirelessMacroUI::findLibraryControls() {
    c_.macroList = requireControl<QListWidget>(this, "wireless_macro_list");
    c_.nameEdit = requireControl<QLineEdit>(this, "wireless_macro_name_edit");
    c_.addButton = requireControl<QAbstractButton>(this, "wireless_macro_add_btn");
    c_.deleteButton = requireControl<QAbstractButton>(this, "wireless_macro_delete_btn");
    c_.importButton = requireControl<QAbstractButton>(this, "wireless_macro_import_btn");
    c_.exportButton = requireControl<QAbstractButton>(this, "wireless_macro_export_btn");
    c_.filePanel = requireControl<QWidget>(this, "wireless_macro_exportorimport_tab");
    c_.savePanel = requireControl<QWidget>(this, "wireless_macro_savedata_tab");
    c_.saveButton = requireControl<QAbstractButton>(this, "wireless_macro_save_btn");
    c_.cancelButton = requireControl<QAbstractButton>(this, "wireless_macro_cancel_btn");
    c_.statusLabel = requireControl<QLabel>(this, "wireless_macro_status_label");
    c_.captureNote = requireControl<QLabel>(this, "wireless_macro_capture_note");
    c_.macroList->setSelectionMode(QAbstractItemView::SingleSelection);
    // The name field of a macro record holds 23 UTF-16 units, as does a QString's length.
    c_.nameEdit->setMaxLength(static_cast<int>(kMacroNameMaxUnits));
}

void CWirelessMacroUI::connectLibraryControls() {
    connect(c_.macroList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) selectMacro(static_cast<std::size_t>(row));
    });
    connect(c_.nameEdit, &QLineEdit::editingFinished, this, &CWirelessMacroUI::onRename);
    connect(c_.addButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onAdd);
    connect(c_.deleteButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onDelete);
    connect(c_.importButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onImport);
    connect(c_.exportButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onExport);
    connect(c_.saveButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onSave);
    connect(c_.cancelButton, &QAbstractButton::clicked, this, &CWirelessMacroUI::onCancel);
}

void CWirelessMacroUI::setContext(const PageContext& context) {
    SettingsPage::setContext(context);
    showCaptureScope();
    selectedPosition_.reset();
    added_.reset();
    fillMacroList();
    selectMacro(std::nullopt);
}

// Says where a recording hears keys: anywhere on the desktop, in the program's windows only, or,
// without the hook library, nowhere (every step can still be added and edited by hand).
void CWirelessMacroUI::showCaptureScope() {
    const CaptureService* capture = context().capture;
    const bool available = capture && capture->available();
    const char* key = !available               ? "macro_capture_unavailable_text"
                      : capture->wholeDesktop() ? "capture_desktop_text"
                                                : "capture_window_text";
    ResourceManager::instance().setResourceText(c_.captureNote, QString::fromLatin1(key));
    setSkinProperty(c_.captureNote, "qx4role", available ? QStringLiteral("caption") : QStringLiteral("danger"));
}

bool CWirelessMacroUI::ready() const { return context().data != nullptr; }

QWidget* CWirelessMacroUI::dialogOwner() const { return context().mainWindow ? context().mainWindow : window(); }

const MacroRecord* CWirelessMacroUI::selectedMacro() const {
    if (!ready() || !selectedPosition_) return nullptr;
    return macroAt(*selectedPosition_, context().data->macros());
}

void CWirelessMacroUI::macrosChanged() {
    if (selectedPosition_ && !selectedMacro()) selectMacro(std::nullopt);
    fillMacroList();
    // The steps shown may have been changed from outside; without edits of its own the page shows
    // what is stored.
    if (!modified_ && !recording()) selectMacro(selectedPosition_);
}

bool CWirelessMacroUI::hasUnsavedEdits() const { return modified_ || recording() || c_.nameEdit->isModified(); }

void CWirelessMacroUI::fillMacroList() {
    const QSignalBlocker blocker(c_.macroList);
    c_.macroList->clear();
    if (!ready()) return;
    for (const MacroRecord& macro : context().data->macros()) {
        auto* item = new QListWidgetItem(nameOf(macro), c_.macroList);
        item->setSizeHint(QSize(0, kMacroRowHeight));
        item->setToolTip(plainToolTip(item->text()));  // a long name is cut at its end
    }
    c_.macroList->setCurrentRow(selectedPosition_ ? static_cast<int>(*selectedPosition_) : -1);
}

// Loads the working copy from the stored macro, its last step selected.
void CWirelessMacroUI::selectMacro(std::optional<std::size_t> position) {
    commitTypedName();
    selectedPosition_ = position;
    const MacroRecord* macro = selectedMacro();
    if (!macro) selectedPosition_.reset();
    if (macro) {
        draft_.load(*macro);
    } else {
        draft_.clear();
    }
    c_.nameEdit->setText(macro ? nameOf(*macro) : QString());
    const std::array<QWidget*, 3> needMacro{c_.nameEdit, c_.deleteButton, c_.exportButton};
    for (QWidget* control : needMacro) control->setEnabled(macro != nullptr);
    {
        const QSignalBlocker blocker(c_.macroList);
        c_.macroList->setCurrentRow(selectedPosition_ ? static_cast<int>(*selectedPosition_) : -1);
    }
    if (macro) c_.macroList->scrollToItem(c_.macroList->currentItem());
    stepsChanged();
}

void CWirelessMacroUI::onAdd() {
    if (!ready()) return;
    if (modified_) return askToSaveFirst();
    commitTypedName();
    const std::optional<std::size_t> selectedBefore = selectedPosition_;
    const MacroStoreChange change = context().data->addMacro(text("mouse_macro_function_text").toStdU16String());
    if (!change.record) return showStatus(text("macro_create_failed_text"), true);
    noteStoreSaved(change.saved);
    const std::size_t added = context().data->macros().size() - 1;
    fillMacroList();
    selectMacro(added);
    added_ = AddedMacro{added, selectedBefore};
    setModified(true);
}

void CWirelessMacroUI::onDelete() {
    if (!ready()) return;
    if (modified_) return askToSaveFirst();
    // With nothing selected there is nothing to confirm, and nothing to remove.
    const MacroRecord* macro = selectedMacro();
    if (!macro || !confirmDelete(dialogOwner(), *macro)) return;
    const std::size_t position = *selectedPosition_;
    const std::size_t left = context().data->macros().size() - 1;
    removeMacro(position, left == 0 ? std::nullopt : std::optional(std::min(position, left - 1)));
}

// Bindings that held the removed macro fall back to their button's default.
void CWirelessMacroUI::removeMacro(std::size_t position, std::optional<std::size_t> selectAfter) {
    selectedPosition_.reset();
    const MacroStoreEdit removed = context().data->removeMacro(position);
    noteStoreSaved(removed.saved);
    sendBindings(removed);
    fillMacroList();
    selectMacro(selectAfter);
}

void CWirelessMacroUI::onImport() {
    if (!ready()) return;
    if (modified_) return askToSaveFirst();
    commitTypedName();
    const auto file = chooseMacroFile(dialogOwner(), MacroFileUse::importing);
    if (!file) return;
    const MacroStoreChange change = context().data->importMacro(*file);
    if (!change.record) {
        runMessageBox(dialogOwner(), QStringLiteral("warning_title_text"),
                      QStringLiteral("macro_import_failed_text"));
        return;
    }
    noteStoreSaved(change.saved);
    fillMacroList();
    selectMacro(context().data->macros().size() - 1);
    tellDone(text("macro_imported_text").arg(nameOf(*change.record), chosenFileName(*file)));
}

// What is written is the stored macro, not unsaved edits (which the page does not allow here).
void CWirelessMacroUI::onExport() {
    if (!ready()) return;
    if (modified_) return askToSaveFirst();
    const MacroRecord* macro = selectedMacro();
    if (!macro) return;
    QWidget* owner = dialogOwner();
    const auto file = chooseMacroFile(owner, MacroFileUse::exporting);
    if (!file) return;
    if (!exportMacroFile(*macro, *file)) {
        runMessageBox(owner, QStringLiteral("warning_title_text"), QStringLiteral("macro_export_failed_text"));
        return;
    }
    tellDone(text("macro_exported_text").arg(nameOf(*macro), chosenFileName(*file)));
}

// A name typed for the macro shown is its new name, also when a click on a button that takes no
// focus (add, import) moves on before the field could say it was left.
void CWirelessMacroUI::commitTypedName() {
    if (c_.nameEdit->isModified()) onRename();
}

// Renaming takes the bindings that hold the macro along, so the buttons keep it. Unsaved step
// edits stay unsaved: Cancel still drops them.
void CWirelessMacroUI::onRename() {
    const MacroRecord* macro = selectedMacro();
    if (!macro) return;
    const QString wanted = c_.nameEdit->text();
    c_.nameEdit->setModified(false);  // taken now: the store's announcement must not take it again
    const MacroRename renamed = context().data->renameMacro(*selectedPosition_, wanted.toStdU16String());
    c_.nameEdit->setText(nameOf(*macro));
    if (renamed.result.outcome == MacroRenameOutcome::nameTaken) {
        return showStatus(text("macro_name_taken_text").arg(wanted), false);
    }
    if (renamed.result.outcome != MacroRenameOutcome::renamed) return;
    noteStoreSaved(renamed.edit.saved);
    c_.macroList->item(static_cast<int>(*selectedPosition_))->setText(nameOf(*macro));
    sendBindings(renamed.edit);
}

void CWirelessMacroUI::onSave() {
    if (recording()) stopRecording();
    if (const MacroRecord* macro = selectedMacro()) {
        const MacroStoreEdit stored = context().data->storeMacro(*selectedPosition_, draft_);
        noteStoreSaved(stored.saved);
        sendBindings(stored);
        if (stored.saved) tellDone(text("macro_saved_text").arg(nameOf(*macro)));
    }
    added_.reset();
    stepEditor_->setEditMode(false);
    setModified(false);
}

void CWirelessMacroUI::onCancel() {
    if (recording()) stopRecording();
    stepEditor_->setEditMode(false);
    setModified(false);
    // Steps stored meanwhile (from outside: the page's own are unsaved) make it a macro to keep.
    const std::optional<AddedMacro> added = std::exchange(added_, std::nullopt);
    const MacroRecord* macro = selectedMacro();
    if (ready() && added && added->position == selectedPosition_ && macro && macro->actionCount == 0) {
        return removeMacro(added->position, added->selectedBefore);
    }
    selectMacro(selectedPosition_);
}

// Bindings hold copies of their macro, which took the store's again (or their button's default
// when their macro is gone): the mouse gets them with a full download. A macro no button plays
// changes no binding, and nothing is sent for it.
void CWirelessMacroUI::sendBindings(const MacroStoreEdit& edit) {
    if (PageHost* host = context().host; host && edit.bindingsChanged) host->requestApply(true);
}

void CWirelessMacroUI::tellDone(const QString& words) {
    if (PageHost* host = context().host) host->tellDone(words);
}

void CWirelessMacroUI::setModified(bool modified) {
    modified_ = modified;
    c_.savePanel->setVisible(modified);
    c_.filePanel->setVisible(!modified);
    c_.macroList->setEnabled(!modified);
}

bool CWirelessMacroUI::canLeave() {
    if (!modified_) return true;
    askToSaveFirst();
    return false;
}

void CWirelessMacroUI::askToSaveFirst() {
    runMessageBox(dialogOwner(), QStringLiteral("warning_title_text"),
                  QStringLiteral("save_macro_text"));
}

void CWirelessMacroUI::noteStoreSaved(bool saved) {
    if (saved) return showStatus(QString(), false);
    showStatus(text("macro_store_save_failed_text").arg(QString::fromStdString(macroFilePath().string())), true);
}

void CWirelessMacroUI::showStatus(const QString& message, bool problem) {
    c_.statusLabel->setText(message);
    c_.statusLabel->setVisible(!message.isEmpty());
    setSkinProperty(c_.statusLabel, "qx4role", problem ? QStringLiteral("danger") : QStringLiteral("caption"));
}

}  // namespace qx4::gui
