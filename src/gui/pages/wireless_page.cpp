#include "gui/pages/wireless_page.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>

#include "core/config/config_file.h"
#include "core/device/reports.h"
#include "core/macro/macro_store.h"
#include "core/window_messages.h"
#include "gui/app/diagnostics.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/app/window_message.h"
#include "gui/macro/wireless_macro_ui.h"
#include "gui/pages/power_display.h"
#include "gui/pages/profile_actions.h"
#include "gui/pages/wireless_button_ui.h"
#include "gui/pages/wireless_dpi_ui.h"
#include "gui/pages/wireless_light_ui.h"

namespace qx4::gui {

namespace {
template <typename Control>
Control* findControl(QWidget* root, const char* name) {
    return root->findChild<Control*>(QString::fromLatin1(name));
}

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

QString nativePath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
}  // namespace

void CWirelessPage::ApplyReporter::applyStarted() { postWindowMessage(target_, UM_APPLY_STARTED); }

void CWirelessPage::ApplyReporter::reportWritten(const FeatureReport& report,
                                                 const WriteResult& result) {
    qCDebug(lcApp, "report 0x%02x over the %s: %s", report.bytes[0],
            linkParameters(result.link).name.data(), result.written ? "written" : "failed");
}

void CWirelessPage::ApplyReporter::applyFinished(const ApplyOutcome& outcome) {
    postWindowMessage(target_, UM_APPLY_FINISHED, static_cast<std::uintptr_t>(outcome.sent),
                      outcome.failed);
}

void CWirelessPage::ApplyReporter::applySkipped(ApplySkipReason reason) {
    postWindowMessage(target_, UM_APPLY_SKIPPED, reason == ApplySkipReason::mouseAsleep ? 1 : 0);
}

CWirelessPage::CWirelessPage(QWidget* mainWindow, DriverBinder& binder,
                             PauseFunction pauseAfterWrite)
    : mainWindow_(mainWindow),
      sink_(messageSinkFor(mainWindow)),
      reporter_(mainWindow),
      link_(current_, *this, binder, std::move(pauseAfterWrite)) {
    for (Link link : kLinks) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(linkParameters(link).name.data()) +
                             QStringLiteral("_arrival_timer"));
        timer->setSingleShot(true);
        timer->setInterval(kArrivalSettleMilliseconds);
        connect(timer, &QTimer::timeout, this, [this, link] { link_.completeArrival(link); });
        arrivalTimers_[static_cast<std::size_t>(link)] = timer;
    }
    context_.record = &current_;
    context_.mainWindow = mainWindow_;
    context_.messageSink = &sink_;
}

CWirelessPage::~CWirelessPage() { shutdown(); }

void CWirelessPage::initPage(DriverSet drivers) {
    findControls();
    connectControls();
    worker_ = std::make_unique<ApplyWorker>(link_, link_.presence(), reporter_);
    link_.start(sink_, drivers);
}

void CWirelessPage::findControls() {
    QWidget* root = mainWindow_;
    Controls& c = controls_;
    c.lightTabButton = findControl<QAbstractButton>(root, "wireless_light_btn");
    c.buttonTabButton = findControl<QAbstractButton>(root, "wireless_button_btn");
    c.dpiTabButton = findControl<QAbstractButton>(root, "wireless_dpi_setting_btn");
    c.macroTabButton = findControl<QAbstractButton>(root, "wireless_macro_btn");
    for (int i = 0; i < kProfileCount; ++i) {
        c.profileButtons[static_cast<std::size_t>(i)] = root->findChild<QAbstractButton*>(
            QStringLiteral("wireless_profile_%1_btn").arg(i + 1));
    }
    c.exportProfileButton = findControl<QAbstractButton>(root, "wireless_export_profile_btn");
    c.importProfileButton = findControl<QAbstractButton>(root, "wireless_import_profile_btn");
    c.resetProfileButton = findControl<QAbstractButton>(root, "wireless_reset_profile_btn");
    c.applyButton = findControl<QAbstractButton>(root, "wireless_apply_btn");
    c.tabSwitch = findControl<QStackedWidget>(root, "wireless_tab_switch");
    c.applyRing = findControl<QWidget>(root, "apply_ring");
    c.applyStatus = findControl<QLabel>(root, "apply_status_label");
    c.buttonPage = findControl<CWirelessButtonUI>(root, "wireless_button_tab");
    c.dpiPage = findControl<CWirelessDPIUI>(root, "wireless_dpi_tab");
    c.lightPage = findControl<CWirelessLightUI>(root, "wireless_light_tab");
    c.macroPage = findControl<CWirelessMacroUI>(root, "wireless_macro_tab");
    power_ = new PowerDisplay(findControl<QProgressBar>(root, "progress_ms_1_power"),
                              findControl<QLabel>(root, "label_power"),
                              findControl<QLabel>(root, "wireless_sleep_label"), this);
}

void CWirelessPage::connectControls() {
    const Controls& c = controls_;
    for (QAbstractButton* button :
         {c.exportProfileButton, c.importProfileButton, c.resetProfileButton, c.applyButton}) {
        if (!button) continue;
        connect(button, &QAbstractButton::clicked, this, [this, button] { onClick(button); });
    }
    std::vector<QAbstractButton*> options{c.lightTabButton, c.buttonTabButton, c.dpiTabButton,
                                          c.macroTabButton};
    options.insert(options.end(), c.profileButtons.begin(), c.profileButtons.end());
    for (QAbstractButton* option : options) {
        if (!option) continue;
        connect(option, &QAbstractButton::toggled, this, [this, option](bool checked) {
            if (checked) onSelectChanged(option);
        });
    }
}

std::array<SettingsPage*, 4> CWirelessPage::pages() const {
    const Controls& c = controls_;
    return {c.lightPage, c.buttonPage, c.dpiPage, c.macroPage};
}

void CWirelessPage::setReferences(MacroList* macros, const HookTable* hooks,
                                  CaptureFlags* captureFlags) {
    context_.macros = macros;
    context_.hooks = hooks;
    context_.captureFlags = captureFlags;
}

void CWirelessPage::loadAndDistribute() {
    const std::size_t macroCount = context_.macros ? context_.macros->size() : 0;
    const ConfigLoadResult loaded = loadConfig(current_, macroCount);
    if (loaded.damaged) {
        showStatus(text("config_damaged_text").arg(nativePath(loaded.damagedCopy)), true);
    } else if (loaded.unreadable) {
        showStatus(text("config_unreadable_text").arg(nativePath(configFilePath())), true);
    } else if (loaded.createdDefaults && !loaded.savedDefaults) {
        showStatus(text("save_failed_text").arg(nativePath(configFilePath())), true);
    }
    if (worker_) worker_->setBaseline(current_);

    for (SettingsPage* page : pages()) {
        if (page) page->setContext(context_);
    }
    for (SettingsPage* page : pages()) {
        if (page) page->reloadMacroSelectors();
    }
    refreshPages();
    selectWithNotification(
        controls_.profileButtons[static_cast<std::size_t>(activeProfileIndex(current_))]);
}

bool CWirelessPage::handleMessage(std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    if (linkForDataMessage(message) || linkForArrivalMessage(message)) {
        if (!shutDown_) link_.dispatchMessage(message, wParam, lParam);
        return true;
    }
    switch (message) {
    case UM_APPLY_STARTED:
        onApplyStarted();
        return true;
    case UM_APPLY_FINISHED:
        onApplyFinished(static_cast<int>(wParam), static_cast<int>(lParam));
        return true;
    case UM_APPLY_SKIPPED:
        onApplySkipped(wParam == 1 ? ApplySkipReason::mouseAsleep : ApplySkipReason::noLink);
        return true;
    default:
        return false;
    }
}

void CWirelessPage::requestApply(bool full) {
    if (worker_ && !shutDown_) worker_->requestApply(full, current_);
}

void CWirelessPage::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (QTimer* timer : arrivalTimers_) timer->stop();
    link_.closeLinks();
    if (worker_) worker_->stop();
    link_.releaseLibraries();
}

void CWirelessPage::onClick(QAbstractButton* sender) {
    const Controls& c = controls_;
    if (sender == c.applyButton) {
        postMessage(UM_APPLY_REQUEST, 0, 0);
    } else if (sender == c.exportProfileButton) {
        exportActiveProfile(mainWindow_, current_);
    } else if (sender == c.importProfileButton) {
        if (context_.macros && importIntoActiveProfile(mainWindow_, current_, *context_.macros)) {
            for (SettingsPage* page : pages()) {
                if (page) page->reloadMacroSelectors();
            }
            refreshPages();
            postMessage(UM_APPLY_REQUEST, 1, 0);
        }
    } else if (sender == c.resetProfileButton) {
        if (runMessageBox(mainWindow_, QStringLiteral("warning_title_text"),
                          QStringLiteral("restore_text")) == CMsgWnd::kConfirmed) {
            resetConfiguration();
        }
    }
}

void CWirelessPage::onSelectChanged(QAbstractButton* sender) {
    const Controls& c = controls_;
    if (sender == c.lightTabButton || sender == c.buttonTabButton || sender == c.dpiTabButton) {
        if (c.macroPage && c.macroPage->hasUnsavedChanges()) {
            c.macroPage->runSaveWarning();
            selectWithNotification(c.macroTabButton);
            return;
        }
        selectTab(sender == c.lightTabButton ? kLightTab
                  : sender == c.buttonTabButton ? kButtonTab
                                                : kDpiTab);
        return;
    }
    if (sender == c.macroTabButton) {
        selectTab(kMacroTab);
        return;
    }
    for (int profile = 0; profile < kProfileCount; ++profile) {
        if (sender != c.profileButtons[static_cast<std::size_t>(profile)]) continue;
        current_.activeProfile = profile;
        refreshPages();
        postMessage(UM_APPLY_REQUEST, 0, 0);
        return;
    }
}

void CWirelessPage::selectWithNotification(QAbstractButton* button) {
    if (!button) return;
    if (button->isChecked()) {
        onSelectChanged(button);
    } else {
        button->setChecked(true);
    }
}

void CWirelessPage::selectTab(int index) {
    if (controls_.tabSwitch) controls_.tabSwitch->setCurrentIndex(index);
}

void CWirelessPage::resetConfiguration() {
    applyDefaults(current_);
    selectWithNotification(controls_.profileButtons[0]);
    refreshPages();
    if (controls_.buttonPage) controls_.buttonPage->closeEditor();
    postMessage(UM_APPLY_REQUEST, 1, 0);
}

void CWirelessPage::onApplyStarted() {
    if (controls_.applyRing) controls_.applyRing->show();
    showStatus(QString(), false);
}

void CWirelessPage::onApplyFinished(int sent, int failed) {
    if (controls_.applyRing) controls_.applyRing->hide();
    qCDebug(lcApp, "apply finished: %d reports sent, %d failed", sent, failed);
    saveCurrentRecord();
    if (failed > 0) {
        showStatus(text("apply_failed_text").arg(failed).arg(sent + failed), true);
    }
}

void CWirelessPage::onApplySkipped(ApplySkipReason reason) {
    qCDebug(lcApp, "apply skipped: %s", reason == ApplySkipReason::mouseAsleep ? "asleep" : "no link");
    showStatus(text(reason == ApplySkipReason::mouseAsleep ? "apply_asleep_text"
                                                            : "apply_no_link_text"),
               false);
}

void CWirelessPage::showStatus(const QString& message, bool problem) {
    QLabel* status = controls_.applyStatus;
    if (!status) return;
    statusIsNote_ = !problem && !message.isEmpty();
    status->setText(message);
    status->setProperty("qx4role", problem ? QStringLiteral("danger") : QStringLiteral("caption"));
    status->style()->unpolish(status);
    status->style()->polish(status);
}

void CWirelessPage::saveCurrentRecord() {
    if (saveConfig(current_)) {
        qCDebug(lcApp, "record saved");
    } else {
        showStatus(text("save_failed_text").arg(nativePath(configFilePath())), true);
    }
}

void CWirelessPage::showSleepLabel(bool shown) {
    power_->showSleepLabel(shown);
    // A note that an apply was dropped no longer holds once the mouse is awake.
    if (!shown && statusIsNote_) showStatus(QString(), false);
}

void CWirelessPage::showCharging(bool on, bool restartAnimation) {
    power_->showCharging(on, restartAnimation);
}

void CWirelessPage::showBattery(int level) { power_->showBattery(level); }

void CWirelessPage::highlightDpiLevel(int level) {
    if (controls_.dpiPage) controls_.dpiPage->showCurrentLevel(level);
}

void CWirelessPage::selectProfileButton(int profile) {
    QAbstractButton* button = controls_.profileButtons[static_cast<std::size_t>(profile)];
    if (!button) return;
    const QSignalBlocker blocker(button);
    button->setChecked(true);
}

void CWirelessPage::refreshPages() {
    const Controls& c = controls_;
    for (SettingsPage* page : std::array<SettingsPage*, 3>{c.buttonPage, c.dpiPage, c.lightPage}) {
        if (page) page->refreshFromRecord();
    }
}

void CWirelessPage::saveRecord() { saveCurrentRecord(); }

void CWirelessPage::postMessage(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    postWindowMessage(mainWindow_, message, wParam, lParam);
}

void CWirelessPage::startArrivalTimer(Link link) {
    arrivalTimers_[static_cast<std::size_t>(link)]->start();
}

void CWirelessPage::cancelArrivalTimer(Link link) {
    arrivalTimers_[static_cast<std::size_t>(link)]->stop();
}

}  // namespace qx4::gui
