#include "gui/pages/wireless_dpi_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_layout.h"
#include "gui/pages/system_mouse_settings.h"

namespace qx4::gui {

namespace {
// The colour dialog opens just below the swatch, shifted this far to the left.
constexpr int kColorDialogLeftShift = 140;

QString dpiText(int hundreds) { return QString::number(hundreds * 100); }

void setLabelColor(QLabel* label, QRgb color) {
    if (!label) return;
    label->setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgb(color).name()));
}
}  // namespace

CWirelessDPIUI::CWirelessDPIUI(QWidget* parent) : SettingsPage(parent) {
    setObjectName(QStringLiteral("WirelessDPIUI"));
    loadPageLayout(this, QStringLiteral("wirelessdpipage.xml"));
    findControls();
}

void CWirelessDPIUI::findControls() {
    levelGroup_ = new QButtonGroup(this);
    levelGroup_->setExclusive(true);
    for (int i = 0; i < kDpiLevelCount; ++i) {
        const int n = i + 1;
        Level& level = levels_[static_cast<std::size_t>(i)];
        level.option = findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_btn_%1").arg(n));
        level.valueLabel = findChild<QLabel*>(QStringLiteral("wireless_dpi_value_%1").arg(n));
        level.slider = findChild<QAbstractSlider*>(QStringLiteral("wireless_dpi%1_slider").arg(n));
        level.swatch = findChild<QAbstractButton*>(QStringLiteral("wireless_dpi_color%1").arg(n));
        if (level.option) {
            level.option->setCheckable(true);
            levelGroup_->addButton(level.option, i);
            connect(level.option, &QAbstractButton::clicked, this, [this, i] { onOptionClicked(i); });
        }
        if (level.slider) {
            connect(level.slider, &QAbstractSlider::valueChanged, this,
                    [this, i](int value) { onSliderValue(i, value); });
        }
        if (level.swatch) {
            connect(level.swatch, &QAbstractButton::clicked, this, [this, i] { onSwatchClicked(i); });
        }
    }
    if (auto* settings = findChild<QAbstractButton*>(QStringLiteral("mouse_attibute_btn"))) {
        // Without a settings tool there is nothing useful to say; the button just does nothing.
        connect(settings, &QAbstractButton::clicked, this, [this] {
            if (handlesInput()) openSystemMouseSettings();
        });
    }
    pollingRateCombo_ = findChild<QComboBox*>(QStringLiteral("wireless_polling_rate_combo"));
    if (pollingRateCombo_) {
        connect(pollingRateCombo_, &QComboBox::currentIndexChanged, this,
                &CWirelessDPIUI::onPollingRateChosen);
    }
}

bool CWirelessDPIUI::handlesInput() const { return isVisible() && activeProfile() != nullptr; }

void CWirelessDPIUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    const int current = profile->dpiLevel;
    if (current >= 0 && current < kDpiLevelCount) {
        if (QAbstractButton* option = levels_[static_cast<std::size_t>(current)].option) {
            const QSignalBlocker blocker(option);
            option->setChecked(true);
        }
    }
    highlightLevel(current);
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const Level& level = levels_[i];
        if (level.valueLabel) level.valueLabel->setText(dpiText(profile->dpiValuesX[i]));
        if (level.swatch) setSwatchColor(level.swatch, storedToArgb(profile->dpiColors[i]));
        if (level.slider) {
            const QSignalBlocker blocker(level.slider);
            level.slider->setValue(profile->dpiValuesX[i]);
        }
    }
    if (pollingRateCombo_) {
        const QSignalBlocker blocker(pollingRateCombo_);
        pollingRateCombo_->setCurrentIndex(profile->pollingRateIndex);
    }
}

void CWirelessDPIUI::showCurrentLevel(int level) {
    if (level < 0 || level >= kDpiLevelCount) return;
    if (QAbstractButton* option = levels_[static_cast<std::size_t>(level)].option) {
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
    highlightLevel(level);
}

void CWirelessDPIUI::highlightLevel(int current) {
    for (int i = 0; i < kDpiLevelCount; ++i) {
        setLabelColor(levels_[static_cast<std::size_t>(i)].valueLabel,
                      i == current ? kCurrentLevelLabelColor : kOtherLevelLabelColor);
    }
}

void CWirelessDPIUI::onOptionClicked(int level) {
    if (!handlesInput()) return;
    activeProfile()->dpiLevel = level;
    highlightLevel(level);
}

void CWirelessDPIUI::onSliderValue(int level, int value) {
    if (!handlesInput()) return;
    activeProfile()->dpiValuesX[static_cast<std::size_t>(level)] = value;
    if (QLabel* label = levels_[static_cast<std::size_t>(level)].valueLabel) {
        label->setText(dpiText(value));
    }
}

void CWirelessDPIUI::onSwatchClicked(int level) {
    if (!handlesInput()) return;
    const auto index = static_cast<std::size_t>(level);
    QAbstractButton* swatch = levels_[index].swatch;
    QWidget* owner = context().mainWindow ? context().mainWindow : window();

    const int openedFor = context().record->activeProfile;

    CDpiColorWnd dialog(owner);
    dialog.setColor(storedToArgb(activeProfile()->dpiColors[index]));
    dialog.setPosition(swatch->mapToGlobal(QPoint(-kColorDialogLeftShift, swatch->height())));
    if (dialog.exec() != 1) return;

    // The mouse may have switched profiles while the dialog was open: the colour still belongs to
    // the level the user clicked, and the swatch shows it only if that profile is still shown.
    DeviceConfig& record = *context().record;
    record.profiles[static_cast<std::size_t>(openedFor)].dpiColors[index] =
        argbToStored(dialog.color());
    if (record.activeProfile == openedFor) setSwatchColor(swatch, dialog.color() | 0xFF000000u);
}

void CWirelessDPIUI::onPollingRateChosen(int index) {
    if (!handlesInput() || index < 0) return;
    activeProfile()->pollingRateIndex = index;
}

}  // namespace qx4::gui
