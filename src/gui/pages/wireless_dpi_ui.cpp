#include "gui/pages/wireless_dpi_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

#include "core/device/dpi_steps.h"
#include "core/device/reports.h"
#include "core/edit/profile_settings_edit.h"
#include "gui/common/control_lookup.h"
#include "gui/common/dpi_text.h"
#include "gui/common/resource_manager.h"
#include "gui/common/tab_order.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/system_mouse_settings.h"

namespace qx4::gui {

namespace {
// The colour dialog opens just below the swatch, shifted this far to the left.
constexpr int kColorDialogLeftShift = 140;
constexpr int kSliderPageStep = 5;
constexpr qsizetype kTypedShownMax = 8;
// The level columns carry this property, so the skin can dim a level the mouse skips.
const char* const kLevelOffProperty = "levelOff";
// A level's DPI number carries "current", "on" or "off", which the skin colours.
const char* const kLevelStateProperty = "levelState";
// The hint above the levels carries this while it tells what became of a typed DPI.
const char* const kNoticeProperty = "notice";

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

// The value fields outlive this part of the page while QWidget's destructor deletes them, and a
// field that has the focus then reports its editing finished: it must not reach a page half gone.
CWirelessDPIUI::~CWirelessDPIUI() {
    for (const Level& level : levels_) {
        if (level.valueEdit) disconnect(level.valueEdit, nullptr, this, nullptr);
    }
}

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
        level.onSwitch = requireControl<QCheckBox>(this, QStringLiteral("wireless_dpi_on_%1").arg(n));
        level.valueEdit = requireControl<QLineEdit>(this, QStringLiteral("wireless_dpi_value_%1").arg(n));
        level.slider = requireControl<QAbstractSlider>(this, QStringLiteral("wireless_dpi%1_slider").arg(n));
        level.swatch = requireControl<QAbstractButton>(this, QStringLiteral("wireless_dpi_color%1").arg(n));
        // The eight columns are alike: a screen reader tells them apart by the level in each name.
        level.valueEdit->setAccessibleName(text("wireless_dpi_level_value_access_text").arg(n));
        level.slider->setAccessibleName(level.valueEdit->accessibleName());
        level.swatch->setAccessibleName(text("wireless_dpi_level_color_access_text").arg(n));
        level.option->setAccessibleName(text("wireless_dpi_level_access_text").arg(n));
        level.onSwitch->setAccessibleName(text("wireless_dpi_level_on_access_text").arg(n));
        level.option->setCheckable(true);
        levelGroup_->addButton(level.option, i);
        connect(level.option, &QAbstractButton::clicked, this, [this, i] { onOptionClicked(i); });
        connect(level.onSwitch, &QAbstractButton::clicked, this, [this, i](bool on) { onSwitchClicked(i, on); });
        connect(level.valueEdit, &QLineEdit::editingFinished, this, [this, i] { onValueTyped(i); });
        level.valueEdit->installEventFilter(this);
        // The slider moves over the DPI values the mouse can use, not over stored values.
        level.slider->setRange(0, lastStep);
        level.slider->setSingleStep(1);
        level.slider->setPageStep(kSliderPageStep);
        connect(level.slider, &QAbstractSlider::valueChanged, this,
                [this, i](int step) { onSliderValue(i, step); });
        connect(level.swatch, &QAbstractButton::clicked, this, [this, i] { onSwatchClicked(i); });
    }
    keepTabOnChosen(levelGroup_);
    // Eight columns of five would be 33 Tab stops: each row is one, read from the top, and the
    // arrows go along it.
    std::vector<std::vector<QWidget*>> rows(5);
    for (const Level& level : levels_) {
        for (std::size_t row = 0; QWidget* control : std::initializer_list<QWidget*>{
                 level.valueEdit, level.slider, level.swatch, level.onSwitch, level.option}) {
            rows[row++].push_back(control);
        }
    }
    std::vector<QWidget*> byRows;
    for (const std::size_t row : {0, 1, 2, 4, 3}) byRows.insert(byRows.end(), rows[row].begin(), rows[row].end());
    chainTabStops(byRows);
    for (QWidget* option : rows[4]) option->setProperty("qx4rowmember", true);
    rows.pop_back();  // the level buttons are a group of their own
    makeRowsOneTabStopEach(this, std::move(rows));
    hintLabel_ = requireControl<QLabel>(this, "wireless_dpi_levels_hint");
    // Without a settings tool there is nothing useful to say; the button just does nothing.
    connect(requireControl<QAbstractButton>(this, "mouse_attibute_btn"), &QAbstractButton::clicked,
            this, [this] {
                if (handlesInput()) openSystemMouseSettings();
            });
    pollingRateCombo_ = requireControl<QComboBox>(this, "wireless_polling_rate_combo");
    connect(pollingRateCombo_, &QComboBox::currentIndexChanged, this,
            &CWirelessDPIUI::onPollingRateChosen);
}

void CWirelessDPIUI::refreshFromRecord() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    clearNotice();
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const Level& level = levels_[i];
        showLevelValue(i, profile->dpiValuesX[i]);
        setSwatchColor(level.swatch, storedToArgb(profile->dpiColors[i]));
        // A value no step stores (0, 50, 99, ...) keeps its place in the record until the slider
        // is moved; the slider shows the step the mouse treats it as.
        const QSignalBlocker blocker(level.slider);
        level.slider->setValue(static_cast<int>(dpiStepFor(profile->dpiValuesX[i])));
    }
    showLevelStates();
    showPollingRate(profile->pollingRateIndex);
}

void CWirelessDPIUI::showLevelStates() {
    const ProfileSettings* profile = activeProfile();
    if (!profile) return;
    const int current = profile->dpiLevel;
    for (int i = 0; i < kDpiLevelCount; ++i) {
        const Level& level = levels_[static_cast<std::size_t>(i)];
        const bool on = dpiLevelOn(*profile, i);
        if (level.column->property(kLevelOffProperty).toBool() == on) {
            level.column->setProperty(kLevelOffProperty, !on);
            level.column->setToolTip(on ? QString() : text("wireless_dpi_off_tip_text"));
            restyle(level.column);
        }
        level.onSwitch->setChecked(on);
        const DpiLevelLock lock = dpiLevelOffLock(*profile, i);
        level.onSwitch->setEnabled(lock == DpiLevelLock::none);
        level.onSwitch->setToolTip(text(lock == DpiLevelLock::current  ? "wireless_dpi_on_current_tip_text"
                                        : lock == DpiLevelLock::lastOn ? "wireless_dpi_on_last_tip_text"
                                                                       : "wireless_dpi_on_tip_text"));
        // The mouse skips a level that is off, and so do the level buttons.
        level.option->setEnabled(on);
        level.option->setToolTip(text(on ? "wireless_dpi_level_tip_text" : "wireless_dpi_level_off_tip_text"));
        if (i == current) {
            const QSignalBlocker blocker(level.option);
            level.option->setChecked(true);
        }
        const QString state = QString::fromLatin1(i == current ? "current" : on ? "on" : "off");
        if (level.valueEdit->property(kLevelStateProperty).toString() != state) {
            level.valueEdit->setProperty(kLevelStateProperty, state);
            restyle(level.valueEdit);
        }
    }
}

// The field says what the mouse will do with the value.
void CWirelessDPIUI::showLevelValue(std::size_t level, std::int32_t storedValue) {
    levels_[level].valueEdit->setText(dpiNumberText(storedValue));
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

void CWirelessDPIUI::showNotice(const QString& notice) {
    ResourceManager::instance().setPlainText(hintLabel_, notice);
    hintLabel_->setProperty(kNoticeProperty, true);
    restyle(hintLabel_);
    noticeShown_ = true;
}

void CWirelessDPIUI::clearNotice() {
    if (!noticeShown_) return;
    ResourceManager::instance().setResourceText(hintLabel_, QStringLiteral("wireless_dpi_levels_hint_text"));
    hintLabel_->setProperty(kNoticeProperty, false);
    restyle(hintLabel_);
    noticeShown_ = false;
}

void CWirelessDPIUI::deviceEvent(const DeviceEvent& event) {
    if (event.kind == DeviceEvent::Kind::dpiLevelChanged) showLevelStates();
}

void CWirelessDPIUI::onOptionClicked(int level) {
    if (handlesInput()) {
        editActiveProfile([level](ProfileSettings& profile) {
            setCurrentDpiLevel(profile, level);
            return true;
        });
    }
    showLevelStates();
}

void CWirelessDPIUI::onSwitchClicked(int level, bool on) {
    if (handlesInput()) {
        editActiveProfile([level, on](ProfileSettings& profile) {
            setDpiLevelOn(profile, level, on);
            return true;
        });
    }
    showLevelStates();
}

void CWirelessDPIUI::onSliderValue(int level, int step) {
    if (!handlesInput() ||
        !editActiveProfile([level, step](ProfileSettings& profile) { return setDpiStep(profile, level, step); })) {
        return;
    }
    clearNotice();
    const auto index = static_cast<std::size_t>(level);
    showLevelValue(index, activeProfile()->dpiValuesX[index]);
}

// A typed DPI the mouse cannot hold goes to the nearest it can, and the page says so; one outside
// the mouse's range is refused with the range, and the field shows the stored DPI again.
void CWirelessDPIUI::onValueTyped(int level) {
    const auto index = static_cast<std::size_t>(level);
    Level& shown = levels_[index];
    if (!handlesInput() || !shown.valueEdit->isModified()) return;
    const QString typed = shown.valueEdit->text().trimmed();
    bool isNumber = false;
    const int dpi = typed.toInt(&isNumber);
    const auto stored = isNumber ? nearestStoredValueForDpi(dpi) : std::nullopt;
    if (!stored) {
        // However much was typed, the notice keeps to its line.
        const QString quoted = typed.size() > kTypedShownMax ? typed.left(kTypedShownMax - 1) + QChar(0x2026) : typed;
        showNotice(
            text("wireless_dpi_out_of_range_text").arg(level + 1).arg(quoted).arg(lowestDpi()).arg(highestDpi()));
    } else {
        editActiveProfile([level, stored](ProfileSettings& profile) {
            setDpiValue(profile, level, *stored);
            return true;
        });
        const QSignalBlocker blocker(shown.slider);
        shown.slider->setValue(static_cast<int>(dpiStepFor(*stored)));
        if (effectiveDpi(*stored) == dpi) {
            clearNotice();
        } else {
            showNotice(text("wireless_dpi_rounded_text").arg(level + 1).arg(dpi).arg(effectiveDpi(*stored)));
        }
    }
    showLevelValue(index, activeProfile()->dpiValuesX[index]);
}

bool CWirelessDPIUI::isValueEdit(const QObject* object) const {
    return std::ranges::any_of(levels_, [object](const Level& level) { return level.valueEdit == object; });
}

bool CWirelessDPIUI::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusIn:
        if (isValueEdit(watched)) qApp->installEventFilter(this);
        break;
    case QEvent::FocusOut:
        if (isValueEdit(watched)) qApp->removeEventFilter(this);
        break;
    case QEvent::MouseButtonPress:
        // A press on a field places the cursor, or moves the focus, which takes what was typed.
        if (!isValueEdit(watched)) {
            for (int i = 0; i < kDpiLevelCount; ++i) onValueTyped(i);
        }
        break;
    default:
        break;
    }
    return SettingsPage::eventFilter(watched, event);
}

void CWirelessDPIUI::onSwatchClicked(int level) {
    if (!handlesInput()) return;
    const auto index = static_cast<std::size_t>(level);
    QAbstractButton* swatch = levels_[index].swatch;
    QWidget* owner = context().mainWindow ? context().mainWindow : window();

    const int openedFor = context().data->record().activeProfile;

    CDpiColorWnd dialog(owner);
    dialog.setColor(storedToArgb(activeProfile()->dpiColors[index]));
    dialog.setPosition(swatch->mapToGlobal(QPoint(-kColorDialogLeftShift, swatch->height())));
    if (dialog.exec() != 1) return;

    // The mouse may have switched profiles while the dialog was open: the colour still belongs to
    // the level the user clicked, and the swatch shows it only if that profile is still shown.
    const StoredColor chosen = argbToStored(dialog.color());
    context().data->edit([openedFor, level, chosen](DeviceConfig& record) {
        setDpiColor(record.profiles[static_cast<std::size_t>(openedFor)], level, chosen);
        return true;
    });
    if (context().data->record().activeProfile == openedFor) setSwatchColor(swatch, dialog.color() | 0xFF000000u);
}

void CWirelessDPIUI::onPollingRateChosen(int index) {
    if (!handlesInput()) return;
    editActiveProfile([index](ProfileSettings& profile) {
        setPollingRateIndex(profile, index);
        return true;
    });
}

}  // namespace qx4::gui
