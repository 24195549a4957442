#include "gui/pages/wireless_light_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "core/config/stored_color.h"
#include "core/edit/profile_settings_edit.h"
#include "gui/common/control_lookup.h"
#include "gui/common/resource_manager.h"
#include "gui/common/tab_order.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/effect_preview.h"
#include "gui/pages/light_effects.h"

namespace qx4::gui {

CWirelessLightUI::CWirelessLightUI(QWidget* parent, const PageKind& kind)
    : SettingsPage(parent, kind) {
    findControls();
}

void CWirelessLightUI::findControls() {
    modeCombo_ = requireControl<QComboBox>(this, "wireless_light_mode_combo");
    connect(modeCombo_, &QComboBox::currentIndexChanged, this, &CWirelessLightUI::onModeChosen);
    modeHint_ = requireControl<QLabel>(this, "wireless_light_mode_hint");
    brightnessSlider_ = requireControl<QAbstractSlider>(this, "wireless_brightness_slider");
    connect(brightnessSlider_, &QAbstractSlider::valueChanged, this, [this](int value) {
        if (handlesInput() && editActiveProfile([value](ProfileSettings& p) { return setLightBrightness(p, value); })) {
            showEffect();
        }
    });
    breathingSlider_ = requireControl<QAbstractSlider>(this, "wireless_breathing_slider");
    connect(breathingSlider_, &QAbstractSlider::valueChanged, this, [this](int value) {
        if (handlesInput() && editActiveProfile([value](ProfileSettings& p) { return setLightSpeed(p, value); })) {
            showEffect();
        }
    });
    preview_ = requireControl<EffectPreview>(this, "wireless_preview_control");
    colorEditor_ = requireControl<ColorEditor>(this, "wireless_color_editor");
    colorEditor_->setControlNames(kLightPageColorNames);
    connect(colorEditor_, &ColorEditor::colorPreviewed, this, [this](QRgb color) {
        if (handlesInput()) showEffect(color);
    });
    connect(colorEditor_, &ColorEditor::colorChosen, this, &CWirelessLightUI::onColorChosen);
    brightnessRow_ = requireControl<QWidget>(this, "wireless_brightness_ver");
    breathingRow_ = requireControl<QWidget>(this, "wireless_breath_ver");
    colorRow_ = requireControl<QWidget>(this, "wireless_color_hor");
    directionRow_ = requireControl<QWidget>(this, "wireless_light_direction");
    settingsPanel_ = requireControl<QWidget>(this, "wireless_light_settings_panel");
    noSettingsNote_ = requireControl<QWidget>(this, "wireless_no_settings_label");
    directionGroup_ = new QButtonGroup(this);
    directionGroup_->setExclusive(true);
    for (std::size_t i = 0; i < directionOptions_.size(); ++i) {
        QAbstractButton* option =
            requireControl<QAbstractButton>(this, QStringLiteral("wireless_direction_%1").arg(i + 1));
        directionOptions_[i] = option;
        option->setCheckable(true);
        directionGroup_->addButton(option, static_cast<int>(i));
        connect(option, &QAbstractButton::clicked, this, [this, i] {
            const auto direction = static_cast<std::int32_t>(i);
            if (handlesInput() &&
                editActiveProfile([direction](ProfileSettings& p) { return setLightDirection(p, direction); })) {
                showEffect();
            }
        });
    }
    keepTabOnChosen(directionGroup_);
}

void CWirelessLightUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    colorEditor_->setColor(storedToArgb(profile->lightColor));
    {
        const QSignalBlocker blocker(modeCombo_);
        if (profile->lightMode >= 0 && profile->lightMode < modeCombo_->count()) {
            modeCombo_->setCurrentIndex(profile->lightMode);
        } else {
            // An effect the list lacks (a foreign file) is named, and kept until one is chosen.
            modeCombo_->setPlaceholderText(ResourceManager::instance()
                                               .text(QStringLiteral("wireless_light_mode_stored_text"))
                                               .arg(profile->lightMode));
            modeCombo_->setCurrentIndex(-1);
        }
    }
    for (auto [slider, value] : {std::pair{brightnessSlider_, profile->lightBrightness},
                                 std::pair{breathingSlider_, profile->lightBreathSpeed}}) {
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
    showMode(profile->lightMode);
    const int direction = profile->lightDirection;
    if (direction >= 0 && direction < static_cast<int>(directionOptions_.size())) {
        QAbstractButton* option = directionOptions_[static_cast<std::size_t>(direction)];
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
    showEffect();
}

// The effect's description under the selector and as its tool tip, and the rows it uses.
void CWirelessLightUI::showMode(int lightMode) {
    const ResourceManager& texts = ResourceManager::instance();
    const QString key = QStringLiteral("wireless_lightmode%1").arg(lightMode + 1);
    const QString description = texts.hasText(key) ? texts.text(key) : QString();
    modeCombo_->setToolTip(description);
    modeHint_->setText(description);
    showRowsFor(lightMode);
}

void CWirelessLightUI::showRowsFor(int lightMode) {
    const LightRows rows = lightRowsForMode(lightMode);
    brightnessRow_->setVisible(rows.brightness);
    breathingRow_->setVisible(rows.breathing);
    colorRow_->setVisible(rows.color);
    directionRow_->setVisible(rows.direction);
    const bool anySetting = rows.brightness || rows.breathing || rows.direction;
    settingsPanel_->setVisible(anySetting);
    noSettingsNote_->setVisible(!anySetting && !rows.color);
}

void CWirelessLightUI::showEffect(std::optional<QRgb> draggedColor) {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    preview_->setEffect({profile->lightMode, draggedColor.value_or(storedToArgb(profile->lightColor)),
                         profile->lightBrightness, profile->lightBreathSpeed, profile->lightDirection});
}

void CWirelessLightUI::onModeChosen(int index) {
    if (!handlesInput() || !editActiveProfile([index](ProfileSettings& p) { return setLightEffect(p, index); })) {
        return;
    }
    showMode(index);
    showEffect();
}

void CWirelessLightUI::onColorChosen(QRgb color) {
    if (!handlesInput()) return;
    editActiveProfile([stored = argbToStored(color)](ProfileSettings& p) {
        setLightColor(p, stored);
        return true;
    });
    showEffect();
}

}  // namespace qx4::gui
