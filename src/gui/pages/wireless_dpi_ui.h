// The DPI page: for each of the eight levels of the active profile its DPI (a slider in hundreds
// with a value label), its indicator colour (a swatch that opens the colour dialog) and whether it
// is the current level; and the profile's report rate. It edits the record only; an apply sends it.
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

    explicit CWirelessDPIUI(QWidget* parent = nullptr);

    void refreshFromRecord() override;
    // The mouse switched to `level` (0-7), already stored in the record: move the selection.
    void showCurrentLevel(int level);

private:
    struct Level {
        QAbstractButton* option = nullptr;
        QLabel* valueLabel = nullptr;
        QAbstractSlider* slider = nullptr;
        QAbstractButton* swatch = nullptr;
    };

    void findControls();
    bool handlesInput() const;
    void highlightLevel(int level);
    void onOptionClicked(int level);
    void onSliderValue(int level, int value);
    void onSwatchClicked(int level);
    void onPollingRateChosen(int index);

    std::array<Level, kDpiLevelCount> levels_{};
    QButtonGroup* levelGroup_ = nullptr;
    QComboBox* pollingRateCombo_ = nullptr;
};

}  // namespace qx4::gui
