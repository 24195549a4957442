// The lighting page: effect, brightness, speed, colour and direction of the active profile's
// lighting, with a preview that plays the effect as the settings stand. Only the settings the
// chosen effect uses are shown; the preview takes the room the others leave. It edits the record
// only; an apply sends the lighting report.
#pragma once

#include <QRgb>

#include <array>
#include <optional>

#include "gui/common/settings_page.h"

class QAbstractButton;
class QAbstractSlider;
class QButtonGroup;
class QComboBox;
class QLabel;

namespace qx4::gui {

class ColorEditor;
class EffectPreview;

class CWirelessLightUI final : public SettingsPage {
    Q_OBJECT
public:
    CWirelessLightUI(QWidget* parent, const PageKind& kind);

    void refreshFromRecord() override;

private:
    void findControls();
    void showMode(int lightMode);
    void showRowsFor(int lightMode);
    // The preview plays the record's lighting, in `draggedColor` while the palette is dragged.
    void showEffect(std::optional<QRgb> draggedColor = std::nullopt);
    void onModeChosen(int index);
    void onColorChosen(QRgb color);

    QComboBox* modeCombo_ = nullptr;
    QLabel* modeHint_ = nullptr;
    QAbstractSlider* brightnessSlider_ = nullptr;
    QAbstractSlider* breathingSlider_ = nullptr;
    EffectPreview* preview_ = nullptr;
    ColorEditor* colorEditor_ = nullptr;
    QWidget* brightnessRow_ = nullptr;
    QWidget* breathingRow_ = nullptr;
    QWidget* colorRow_ = nullptr;
    QWidget* directionRow_ = nullptr;
    QWidget* settingsPanel_ = nullptr;
    QWidget* noSettingsNote_ = nullptr;  // shown when the effect uses none of the rows
    std::array<QAbstractButton*, 2> directionOptions_{};
    QButtonGroup* directionGroup_ = nullptr;
};

}  // namespace qx4::gui
