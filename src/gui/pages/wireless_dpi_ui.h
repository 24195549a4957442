// The DPI page: for each of the eight levels of the active profile its DPI (a slider over the DPI
// values the mouse can use, with a label saying what the mouse will do), its indicator colour (a
// swatch that opens the colour dialog) and whether it is the current level; and the profile's
// report rate. A level the mouse skips (dpiLevelEnabled 0) is shown dimmed as "Off" but stays
// editable. The page edits the record only; an apply sends it.
#pragma once

#include <QRgb>

#include <array>

#include "gui/pages/settings_page.h"

class QAbstractButton;
class QAbstractSlider;
class QButtonGroup;
class QComboBox;
class QLabel;

namespace qx4::gui {

class CWirelessDPIUI final : public SettingsPage {
    Q_OBJECT
public:
    static constexpr QRgb kCurrentLevelLabelColor = 0xFFF08300;
    static constexpr QRgb kOtherLevelLabelColor = 0xFFFFFFFF;
    static constexpr QRgb kLevelOffLabelColor = 0xFF8A9099;

    CWirelessDPIUI(QWidget* parent, const PageKind& kind);

    void refreshFromRecord() override;
    // The mouse switched DPI level (already stored in the record): move the selection.
    void deviceEvent(const DeviceEvent& event) override;

private:
    struct Level {
        QWidget* column = nullptr;
        QAbstractButton* option = nullptr;
        QLabel* valueLabel = nullptr;
        QLabel* unitLabel = nullptr;
        QAbstractSlider* slider = nullptr;
        QAbstractButton* swatch = nullptr;
    };

    void findControls();
    void highlightLevel(int level);
    void showLevelValue(std::size_t level, std::int32_t storedValue);
    void showPollingRate(std::int32_t pollingRateIndex);
    bool levelOff(std::size_t level) const;
    void onOptionClicked(int level);
    void onSliderValue(int level, int step);
    void onSwatchClicked(int level);
    void onPollingRateChosen(int index);

    std::array<Level, kDpiLevelCount> levels_{};
    QButtonGroup* levelGroup_ = nullptr;
    QComboBox* pollingRateCombo_ = nullptr;
};

}  // namespace qx4::gui
