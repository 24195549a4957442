#include "gui/pages/wireless_light_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "gui/app/resource_manager.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/page_layout.h"

namespace qx4::gui {

namespace {
// Rows used by each effect, by lightMode.
constexpr std::array<LightRows, 12> kLightRowsByMode{{
    {false, false, false},  // 0
    {true, false, true},    // 1
    {false, true, true},    // 2
    {false, true, false},   // 3
    {false, true, false},   // 4
    {true, false, false},   // 5
    {false, true, false},   // 6
    {false, true, false},   // 7
    {false, true, false},   // 8
    {true, true, false},    // 9
    {false, true, false},   // 10
    {false, true, false},   // 11
}};

constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

int component(StoredColor color, int shift) { return static_cast<int>((color >> shift) & 0xFFu); }
}  // namespace

LightRows lightRowsForMode(int lightMode) {
    if (lightMode < 0 || lightMode >= static_cast<int>(kLightRowsByMode.size())) return {};
    return kLightRowsByMode[static_cast<std::size_t>(lightMode)];
}

CWirelessLightUI::CWirelessLightUI(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("WirelessLightUI"));
    loadPageLayout(this, QStringLiteral("wirelesslightpage.xml"));
    findControls();
}

void CWirelessLightUI::findControls() {
    modeCombo_ = findChild<QComboBox*>(QStringLiteral("wireless_light_mode_combo"));
    if (modeCombo_) {
        connect(modeCombo_, &QComboBox::currentIndexChanged, this, &CWirelessLightUI::onModeChosen);
    }
    brightnessSlider_ = findChild<QAbstractSlider*>(QStringLiteral("wireless_brightness_slider"));
    if (brightnessSlider_) {
        connect(brightnessSlider_, &QAbstractSlider::valueChanged, this, [this](int value) {
            if (handlesInput()) activeProfile()->lightBrightness = value;
        });
    }
    breathingSlider_ = findChild<QAbstractSlider*>(QStringLiteral("wireless_breathing_slider"));
    if (breathingSlider_) {
        connect(breathingSlider_, &QAbstractSlider::valueChanged, this, [this](int value) {
            if (handlesInput()) activeProfile()->lightBreathSpeed = value;
        });
    }
    preview_ = findChild<QWidget*>(QStringLiteral("wireless_preview_control"));
    redEdit_ = findChild<QLineEdit*>(QStringLiteral("wireless_r_edit"));
    greenEdit_ = findChild<QLineEdit*>(QStringLiteral("wireless_g_edit"));
    blueEdit_ = findChild<QLineEdit*>(QStringLiteral("wireless_b_edit"));
    const std::array<std::pair<QLineEdit*, int>, 3> channels{
        {{redEdit_, kRedShift}, {greenEdit_, kGreenShift}, {blueEdit_, kBlueShift}}};
    for (const auto& [edit, shift] : channels) {
        if (!edit) continue;
        connect(edit, &QLineEdit::textEdited, this,
                [this, edit = edit, shift = shift] { onChannelEdited(edit, shift); });
    }
    brightnessRow_ = findChild<QWidget*>(QStringLiteral("wireless_brightness_ver"));
    breathingRow_ = findChild<QWidget*>(QStringLiteral("wireless_breath_ver"));
    colorRow_ = findChild<QWidget*>(QStringLiteral("wireless_color_hor"));
    noSettingsNote_ = findChild<QWidget*>(QStringLiteral("wireless_no_settings_label"));
    for (std::size_t n = 0; n < presetButtons_.size(); ++n) {
        QAbstractButton* button =
            findChild<QAbstractButton*>(QStringLiteral("wireless_color_btn%1").arg(n + 1));
        presetButtons_[n] = button;
        if (!button) continue;
        setSwatchColor(button, kPresetColors[n]);
        connect(button, &QAbstractButton::clicked, this, [this, n] { onPresetClicked(n); });
    }
    palette_ = findChild<ColorPalette*>(QStringLiteral("wireless_light_color_pallet"));
    if (palette_) {
        connect(palette_, &ColorPalette::colorChanged, this, &CWirelessLightUI::onPaletteDragged);
        connect(palette_, &ColorPalette::colorChangedButtonUp, this,
                &CWirelessLightUI::onPaletteReleased);
    }
    directionGroup_ = new QButtonGroup(this);
    directionGroup_->setExclusive(true);
    for (std::size_t i = 0; i < directionOptions_.size(); ++i) {
        QAbstractButton* option =
            findChild<QAbstractButton*>(QStringLiteral("wireless_direction_%1").arg(i + 1));
        directionOptions_[i] = option;
        if (!option) continue;
        option->setCheckable(true);
        directionGroup_->addButton(option, static_cast<int>(i));
        connect(option, &QAbstractButton::clicked, this, [this, i] {
            if (handlesInput()) activeProfile()->lightDirection = static_cast<std::int32_t>(i);
        });
    }
}

bool CWirelessLightUI::handlesInput() const { return isVisible() && activeProfile() != nullptr; }

void CWirelessLightUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    if (palette_) palette_->setSelectColor(storedToArgb(profile->lightColor));
    showColor(profile->lightColor);
    if (modeCombo_) {
        const QSignalBlocker blocker(modeCombo_);
        modeCombo_->setCurrentIndex(profile->lightMode);
    }
    for (auto [slider, value] : {std::pair{brightnessSlider_, profile->lightBrightness},
                                 std::pair{breathingSlider_, profile->lightBreathSpeed}}) {
        if (!slider) continue;
        const QSignalBlocker blocker(slider);
        slider->setValue(value);
    }
    showRowsFor(profile->lightMode);
    const int direction = profile->lightDirection;
    if (direction >= 0 && direction < static_cast<int>(directionOptions_.size())) {
        if (QAbstractButton* option = directionOptions_[static_cast<std::size_t>(direction)]) {
            const QSignalBlocker blocker(option);
            option->setChecked(true);
        }
    }
}

void CWirelessLightUI::showRowsFor(int lightMode) {
    const LightRows rows = lightRowsForMode(lightMode);
    if (brightnessRow_) brightnessRow_->setVisible(rows.brightness);
    if (breathingRow_) breathingRow_->setVisible(rows.breathing);
    if (colorRow_) colorRow_->setVisible(rows.color);
    if (noSettingsNote_) {
        noSettingsNote_->setVisible(!rows.brightness && !rows.breathing && !rows.color);
    }
}

void CWirelessLightUI::showColor(StoredColor color) {
    const std::array<std::pair<QLineEdit*, int>, 3> channels{
        {{redEdit_, kRedShift}, {greenEdit_, kGreenShift}, {blueEdit_, kBlueShift}}};
    for (const auto& [edit, shift] : channels) {
        if (edit) edit->setText(QString::number(component(color, shift)));
    }
    setSwatchColor(preview_, storedToArgb(color));
}

void CWirelessLightUI::showRecordColorInPaletteAndPreview() {
    ProfileSettings* profile = activeProfile();
    profile->lightColorUntouched = 0;
    const QRgb shown = storedToArgb(profile->lightColor);
    if (palette_) palette_->setSelectColor(shown);
    setSwatchColor(preview_, shown);
}

void CWirelessLightUI::onModeChosen(int index) {
    if (!handlesInput() || index < 0) return;
    activeProfile()->lightMode = index;
    modeCombo_->setToolTip(
        ResourceManager::instance().text(QStringLiteral("wireless_lightmode%1").arg(index + 1)));
    showRowsFor(index);
}

void CWirelessLightUI::onPresetClicked(std::size_t preset) {
    if (!handlesInput()) return;
    ProfileSettings* profile = activeProfile();
    profile->lightColor = argbToStored(kPresetColors[preset]);
    showRecordColorInPaletteAndPreview();
    showColor(profile->lightColor);
}

void CWirelessLightUI::onChannelEdited(QLineEdit* edit, int shift) {
    if (!handlesInput()) return;
    const ColorComponentEntry entry = parseColorComponent(edit->text());
    if (entry.corrected) edit->setText(QString::number(entry.value));
    ProfileSettings* profile = activeProfile();
    profile->lightColor = (profile->lightColor & ~(0xFFu << shift)) |
                          (static_cast<StoredColor>(entry.value) << shift);
    showRecordColorInPaletteAndPreview();
}

void CWirelessLightUI::onPaletteDragged(QRgb color) {
    if (handlesInput()) showColor(argbToStored(color));
}

void CWirelessLightUI::onPaletteReleased(QRgb color) {
    if (!handlesInput()) return;
    ProfileSettings* profile = activeProfile();
    showColor(argbToStored(color));
    profile->lightColor = argbToStored(color);
    profile->lightColorUntouched = 0;
}

}  // namespace qx4::gui
