#include "gui/pages/wireless_dpi_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>

#include "core/device/dpi_steps.h"
#include "core/device/reports.h"
#include "core/edit/profile_settings_edit.h"
#include "gui/app/control_lookup.h"
#include "gui/app/resource_manager.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/system_mouse_settings.h"

namespace qx4::gui {

namespace {
// The colour dialog opens just below the swatch, shifted this far to the left.
constexpr int kColorDialogLeftShift = 140;
constexpr int kSliderPageStep = 5;
// The level columns carry this property, so the skin can dim a level the mouse skips.
const char* const kLevelOffProperty = "levelOff";

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

void setLabelColor(QLabel* label, QRgb color) {
    label->setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgb(color).name()));
}

// A dynamic property only restyles a widget, and whatever it contains, once polished again.
void restyle(QWidget* widget) {
    QStyle* style = widget->style();
    const auto children = widget->findChildren<QWidget*>();
    for (QWidget* child : children) style->unpolish(child);
    style->unpolish(widget);
    style->polish(widget);
    for (QWidget* child : children) style->polish(child);
}
}  // namespace

CWirelessDPIUI::CWirelessDPIUI(QWidget* parent, const PageKind& kind) : SettingsPage(parent, kind) {
    findControls();
}

void CWirelessDPIUI::findControls() {
    const int lastStep = static_cast<int>(dpiSteps().size()) - 1;
    levelGroup_ = new QButtonGroup(this);
    levelGroup_->setExclusive(true);
    for (int i = 0; i < kDpiLevelCount; ++i) {
        const int n = i + 1;
        Level& level = levels_[static_cast<std::size_t>(i)];
        level.column = requireControl<QWidget>(this, QStringLiteral("wireless_dpi_level_%1").arg(n));
        level.option = requireControl<QAbstractButton>(this, QStringLiteral("wireless_dpi_btn_%1").arg(n));
        level.valueLabel = requireControl<QLabel>(this, QStringLiteral("wireless_dpi_value_%1").arg(n));
        level.unitLabel = requireControl<QLabel>(this, QStringLiteral("wireless_dpi_unit_%1").arg(n));
        level.slider = requireControl<QAbstractSlider>(this, QStringLiteral("wireless_dpi%1_slider").arg(n));
        level.swatch = requireControl<QAbstractButton>(this, QStringLiteral("wireless_dpi_color%1").arg(n));
        level.option->setCheckable(true);
        levelGroup_->addButton(level.option, i);
        connect(level.option, &QAbstractButton::clicked, this, [this, i] { onOptionClicked(i); });
        // The slider moves over the DPI values the mouse can use, not over stored values.
        level.slider->setRange(0, lastStep);
        level.slider->setSingleStep(1);
        level.slider->setPageStep(kSliderPageStep);
        connect(level.slider, &QAbstractSlider::valueChanged, this,
                [this, i](int step) { onSliderValue(i, step); });
        connect(level.swatch, &QAbstractButton::clicked, this, [this, i] { onSwatchClicked(i); });
    }
    // Without a settings tool there is nothing useful to say; the button just does nothing.
    connect(requireControl<QAbstractButton>(this, "mouse_attibute_btn"), &QAbstractButton::clicked,
            this, [this] {
                if (handlesInput()) openSystemMouseSettings();
            });
    pollingRateCombo_ = requireControl<QComboBox>(this, "wireless_polling_rate_combo");
    connect(pollingRateCombo_, &QComboBox::currentIndexChanged, this,
            &CWirelessDPIUI::onPollingRateChosen);
}

bool CWirelessDPIUI::levelOff(std::size_t level) const {
    const ProfileSettings* profile = activeProfile();
    return profile && profile->dpiLevelEnabled[level] == 0;
}

void CWirelessDPIUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    const int current = profile->dpiLevel;
    if (current >= 0 && current < kDpiLevelCount) {
        QAbstractButton* option = levels_[static_cast<std::size_t>(current)].option;
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const Level& level = levels_[i];
        if (level.column->property(kLevelOffProperty).toBool() != levelOff(i)) {
            level.column->setProperty(kLevelOffProperty, levelOff(i));
            level.column->setToolTip(levelOff(i) ? text("wireless_dpi_off_tip_text") : QString());
            restyle(level.column);
        }
        showLevelValue(i, profile->dpiValuesX[i]);
        setSwatchColor(level.swatch, storedToArgb(profile->dpiColors[i]));
        // A value no step stores (0, 50, 99, ...) keeps its place in the record until the slider
        // is moved; the slider shows the step the mouse treats it as.
        const QSignalBlocker blocker(level.slider);
        level.slider->setValue(static_cast<int>(dpiStepFor(profile->dpiValuesX[i])));
    }
    highlightLevel(current);
    showPollingRate(profile->pollingRateIndex);
}

// The label says what the mouse will do with the value; a level it skips reads "Off" with that
// DPI below it.
void CWirelessDPIUI::showLevelValue(std::size_t level, std::int32_t storedValue) {
    const QString dpi = QString::number(effectiveDpi(storedValue));
    const Level& shown = levels_[level];
    const bool off = levelOff(level);
    shown.valueLabel->setText(off ? text("wireless_dpi_off_text") : dpi);
    const QString unit = text("wireless_dpi_unit_text");
    shown.unitLabel->setText(off ? QStringLiteral("%1 %2").arg(dpi, unit) : unit);
}

// An index the combo does not list is shown in words with the rate the mouse is sent for it.
void CWirelessDPIUI::showPollingRate(std::int32_t pollingRateIndex) {
    const QSignalBlocker blocker(pollingRateCombo_);
    if (pollingRateIndex >= 0 && pollingRateIndex < pollingRateCombo_->count()) {
        pollingRateCombo_->setCurrentIndex(pollingRateIndex);
        return;
    }
    pollingRateCombo_->setPlaceholderText(text("wireless_report_rate_stored_text")
                                              .arg(1000 / pollingIntervalCode(pollingRateIndex))
                                              .arg(pollingRateIndex));
    pollingRateCombo_->setCurrentIndex(-1);
}

void CWirelessDPIUI::deviceEvent(const DeviceEvent& event) {
    if (event.kind != DeviceEvent::Kind::dpiLevelChanged) return;
    const int level = event.value;
    if (level < 0 || level >= kDpiLevelCount) return;
    QAbstractButton* option = levels_[static_cast<std::size_t>(level)].option;
    const QSignalBlocker blocker(option);
    option->setChecked(true);
    highlightLevel(level);
}

void CWirelessDPIUI::highlightLevel(int current) {
    for (int i = 0; i < kDpiLevelCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const QRgb color = i == current   ? kCurrentLevelLabelColor
                           : levelOff(index) ? kLevelOffLabelColor
                                             : kOtherLevelLabelColor;
        setLabelColor(levels_[index].valueLabel, color);
    }
}

void CWirelessDPIUI::onOptionClicked(int level) {
    if (!handlesInput() || !setCurrentDpiLevel(*activeProfile(), level)) return;
    highlightLevel(level);
}

void CWirelessDPIUI::onSliderValue(int level, int step) {
    if (!handlesInput() || !setDpiStep(*activeProfile(), level, step)) return;
    const auto index = static_cast<std::size_t>(level);
    showLevelValue(index, activeProfile()->dpiValuesX[index]);
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
    setDpiColor(record.profiles[static_cast<std::size_t>(openedFor)], level, argbToStored(dialog.color()));
    if (record.activeProfile == openedFor) setSwatchColor(swatch, dialog.color() | 0xFF000000u);
}

void CWirelessDPIUI::onPollingRateChosen(int index) {
    if (handlesInput()) setPollingRateIndex(*activeProfile(), index);
}

}  // namespace qx4::gui
