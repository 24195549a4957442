// Edit mode of the macro page: the editor under the step list follows the selected step. A key
// step shows its key, which the next key pressed while that field has the focus replaces; a mouse
// step shows its button. Both show the pause after the step, stored as it is typed; the field
// takes only 1 to 65,535 ms. The last step's pause is never played, so its field reads 0 and is
// disabled.
#pragma once

#include <QObject>

#include <cstdint>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QStackedWidget;

namespace qx4 {
class MacroDraft;
}

namespace qx4::gui {

class MacroStepEditor final : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QAbstractButton* editCheck = nullptr;
        QStackedWidget* pages = nullptr;  // 0 nothing, 1 a key step, 2 a mouse step
        QLineEdit* keyEdit = nullptr;
        QLineEdit* keyDelayEdit = nullptr;
        QComboBox* buttonCombo = nullptr;
        QLineEdit* buttonDelayEdit = nullptr;
    };

    MacroStepEditor(const Controls& controls, MacroDraft& draft, QObject* parent);

    bool editMode() const { return editMode_; }
    // The check mark follows; the selected step is shown, or nothing.
    void setEditMode(bool on);
    // The edit check; off while there is nothing to edit or a recording runs.
    void setCheckEnabled(bool enabled);
    // After the selection or the steps changed.
    void showSelected();
    // A key pressed while the key field has the focus: it becomes the selected step's key.
    void keyCaptured(std::uintptr_t virtualKey);

Q_SIGNALS:
    void editModeClicked(bool on);
    // The selected step's key, button or pause changed.
    void stepEdited();
    // The key field gained (true) or lost the focus: the page captures keys meanwhile.
    void keyFieldFocused(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeDelay(const QLineEdit& edit);
    void onButtonChosen(int item);

    Controls controls_;
    MacroDraft& draft_;
    bool editMode_ = false;
};

}  // namespace qx4::gui
