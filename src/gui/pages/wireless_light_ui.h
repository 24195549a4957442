// The lighting page: effect, brightness, breathing speed, colour and direction of the active
// profile's lighting. Only the rows that matter for the chosen effect are shown. It edits the record
// only; an apply sends the lighting report.
#pragma once

#include <QRgb>

#include <array>

#include "gui/pages/settings_page.h"

class QAbstractButton;
class QAbstractSlider;
class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace qx4::gui {

class ColorPalette;

// Which optional rows an effect uses; effects beyond the table use none.
struct LightRows {
    bool brightness = false;
    bool breathing = false;
    bool color = false;
};
LightRows lightRowsForMode(int lightMode);

class CWirelessLightUI final : public SettingsPage {
    Q_OBJECT
public:
    explicit CWirelessLightUI(QWidget* parent = nullptr);

    void refreshFromRecord() override;

private:
    void findControls();
    bool handlesInput() const;
    void showRowsFor(int lightMode);
    void showColor(StoredColor color);
    void showRecordColorInPaletteAndPreview();
    void onModeChosen(int index);
    void onPresetClicked(std::size_t preset);
    void onChannelEdited(QLineEdit* edit, int shift);
    void onPaletteDragged(QRgb color);
    void onPaletteReleased(QRgb color);

    QComboBox* modeCombo_ = nullptr;
    QAbstractSlider* brightnessSlider_ = nullptr;
    QAbstractSlider* breathingSlider_ = nullptr;
    QWidget* preview_ = nullptr;
    QLineEdit* redEdit_ = nullptr;
    QLineEdit* greenEdit_ = nullptr;
    QLineEdit* blueEdit_ = nullptr;
    QWidget* brightnessRow_ = nullptr;
    QWidget* breathingRow_ = nullptr;
    QWidget* colorRow_ = nullptr;
    QWidget* noSettingsNote_ = nullptr;  // shown when the effect uses none of the rows
    ColorPalette* palette_ = nullptr;
    std::array<QAbstractButton*, 16> presetButtons_{};
    std::array<QAbstractButton*, 2> directionOptions_{};
    QButtonGroup* directionGroup_ = nullptr;
};

}  // namespace qx4::gui
