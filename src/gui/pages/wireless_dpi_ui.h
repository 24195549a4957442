// The DPI page: for each of the eight levels of the active profile its DPI (a slider over the DPI
// values the mouse can use, and a field that shows what the mouse will do and takes a typed DPI),
// its indicator colour (a swatch that opens the colour dialog), whether it is the current level,
// and whether the mouse uses it at all (a switch); and the profile's report rate. A level that is
// off is dimmed and cannot be made current, as the mouse skips it, but its DPI and colour stay
// editable. The page edits the record only; an apply sends it.
#pragma once


#include <array>

#include "gui/common/settings_page.h"

class QAbstractButton;
class QAbstractSlider;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

namespace qx4::gui {

class CWirelessDPIUI final : public SettingsPage {
    Q_OBJECT
public:
    CWirelessDPIUI(QWidget* parent, const PageKind& kind);
    ~CWirelessDPIUI() override;

    void refreshFromRecord() override;
    // The mouse switched DPI level (already stored in the record): move the selection.
    void deviceEvent(const DeviceEvent& event) override;

protected:
    // While a field has the focus, a press anywhere else takes what was typed first: Apply, the
    // profile buttons and the tabs take no focus, so the field would not know it was left.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Level {
        QWidget* column = nullptr;
        QAbstractButton* option = nullptr;
        QAbstractButton* onSwitch = nullptr;
        QLineEdit* valueEdit = nullptr;
        QAbstractSlider* slider = nullptr;
        QAbstractButton* swatch = nullptr;
    };

    void findControls();
    // Which levels are on, which one is current, and which switches the rules lock.
    void showLevelStates();
    void showLevelValue(std::size_t level, std::int32_t storedValue);
    void showPollingRate(std::int32_t pollingRateIndex);
    // What became of a typed DPI, in place of the hint above the levels until the next edit.
    void showNotice(const QString& notice);
    void clearNotice();
    void onOptionClicked(int level);
    void onSwitchClicked(int level, bool on);
    void onSliderValue(int level, int step);
    void onValueTyped(int level);
    bool isValueEdit(const QObject* object) const;
    void onSwatchClicked(int level);
    void onPollingRateChosen(int index);

    std::array<Level, kDpiLevelCount> levels_{};
    QButtonGroup* levelGroup_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    bool noticeShown_ = false;
    QComboBox* pollingRateCombo_ = nullptr;
};

}  // namespace qx4::gui
