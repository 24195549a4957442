#include "gui/pages/wireless_page.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>

#include <algorithm>
#include <utility>
#include <iterator>

#include "core/config/config_file.h"
#include "core/macro/macro_store.h"
#include "gui/common/control_factory.h"
#include "gui/common/control_lookup.h"
#include "gui/common/diagnostics.h"
#include "gui/common/file_dialog.h"
#include "gui/common/layout_loader.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"
#include "gui/common/tab_order.h"
#include "gui/pages/apply_feedback.h"
#include "gui/pages/page_table.h"
#include "gui/pages/power_display.h"
#include "gui/pages/profile_actions.h"

namespace qx4::gui {

namespace {
QString nativePath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QString profileButtonName(int profile) {
    return QStringLiteral("wireless_profile_%1_btn").arg(profile + 1);
}
}  // namespace

CWirelessPage::CWirelessPage(QWidget* mainWindow, const ControlFactory& controls, MouseSession& session)
    : mainWindow_(mainWindow), controlFactory_(controls), session_(session) {
    context_.data = &session_;
    context_.host = this;
    context_.mainWindow = mainWindow_;
}

CWirelessPage::~CWirelessPage() = default;

void CWirelessPage::initPage() {
    findControls();
    buildTabs();
    connectControls();
    connectSession();
}

void CWirelessPage::findControls() {
    QWidget* root = mainWindow_;
    Controls& c = controls_;
    for (int i = 0; i < kProfileCount; ++i) {
        c.profileButtons[static_cast<std::size_t>(i)] =
            requireControl<QAbstractButton>(root, profileButtonName(i));
    }
    auto* profiles = new QButtonGroup(this);
    for (QAbstractButton* button : c.profileButtons) profiles->addButton(button);
    keepTabOnChosen(profiles);
    c.exportProfileButton = requireControl<QAbstractButton>(root, "wireless_export_profile_btn");
    c.importProfileButton = requireControl<QAbstractButton>(root, "wireless_import_profile_btn");
    c.resetProfileButton = requireControl<QAbstractButton>(root, "wireless_reset_profile_btn");
    c.rulesButton = requireControl<QWidget>(root, "wireless_rules_btn");
    c.applyButton = requireControl<QAbstractButton>(root, "wireless_apply_btn");
    c.tabSwitch = requireControl<QStackedWidget>(root, "wireless_tab_switch");
    c.applyRing = requireControl<QWidget>(root, "apply_ring");
    c.applyStatus = requireControl<QLabel>(root, "apply_status_label");
    feedback_ = new ApplyFeedback(c.applyButton, session_.presence(),
                                  [this](const QString& line, bool problem) { showStatus(line, problem); }, this);
    power_ = new PowerDisplay(requireControl<QProgressBar>(root, "progress_ms_1_power"),
                              requireControl<QLabel>(root, "label_power"),
                              requireControl<QLabel>(root, "wireless_sleep_label"), this);
}

// The tab buttons go into the tab bar by their position; the pages come when first shown.
void CWirelessPage::buildTabs() {
    QWidget* tabBar = requireControl<QWidget>(mainWindow_, "tab_bar");
    auto* barLayout = qobject_cast<QBoxLayout*>(tabBar->layout());
    if (!barLayout) barLayout = new QHBoxLayout(tabBar);
    auto* tabGroup = new QButtonGroup(this);
    for (const PageKind& kind : pageTable()) {
        auto* button = new QPushButton(tabBar);
        button->setObjectName(QString::fromLatin1(kind.tabButton));
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setProperty("qx4role", QStringLiteral("tab"));
        button->setProperty("textKey", QString::fromLatin1(kind.tabTextKey));
        ResourceManager::instance().translate(button);
        tabGroup->addButton(button);
        feedback_->addTab(button, kind.sections);
        tabs_.push_back(Tab{&kind, button});
    }
    std::vector<const Tab*> byPosition;
    for (const Tab& tab : tabs_) byPosition.push_back(&tab);
    std::ranges::sort(byPosition, {}, [](const Tab* tab) { return tab->kind->tabPosition; });
    for (std::size_t i = 0; i < byPosition.size(); ++i) {
        barLayout->insertWidget(static_cast<int>(i), byPosition[i]->button);
    }
    chainTabs();
    keepTabOnChosen(tabGroup);
}

// Each page comes from the layout loader's createWidget, as the layout's own controls do, and
// takes its place in the tab layout in table order.
SettingsPage* CWirelessPage::buildPage(Tab& tab) {
    if (tab.page) return tab.page;
    LayoutLoader loader([this](const QString& className, QWidget* parent) {
        return controlFactory_.create(className, parent);
    });
    tab.page = qobject_cast<SettingsPage*>(loader.createWidget(
        QString::fromLatin1(tab.kind->className), controls_.tabSwitch, QString::fromLatin1(tab.kind->objectName)));
    // The program's control factory knows every class of the page table.
    if (!tab.page) qFatal("no page for the class %s", tab.kind->className);
    qCDebug(lcApp, "page built: %s", tab.kind->objectName);
    const auto builtBefore = std::count_if(tabs_.data(), &tab, [](const Tab& other) { return other.page; });
    controls_.tabSwitch->insertWidget(static_cast<int>(builtBefore), tab.page);
    if (distributed_) {
        tab.page->setContext(context_);
        tab.page->macrosChanged();
        tab.page->refreshFromRecord();
    }
    chainTabs();
    return tab.page;
}

std::vector<SettingsPage*> CWirelessPage::builtPages() const {
    std::vector<SettingsPage*> pages;
    for (const Tab& tab : tabs_) {
        if (tab.page) pages.push_back(tab.page);
    }
    return pages;
}

// Tab goes as the eye reads: the side panel (Per application last), the tab bar, the page shown,
// then Apply.
void CWirelessPage::chainTabs() {
    std::vector<const Tab*> byPosition;
    for (const Tab& tab : tabs_) byPosition.push_back(&tab);
    std::ranges::sort(byPosition, {}, [](const Tab* tab) { return tab->kind->tabPosition; });
    std::vector<QWidget*> stops{controls_.resetProfileButton, controls_.rulesButton};
    for (const Tab* tab : byPosition) stops.push_back(tab->button);
    for (const Tab* tab : byPosition) {
        if (tab->page) std::ranges::copy(tabStopsUnder(tab->page), std::back_inserter(stops));
    }
    stops.push_back(controls_.applyButton);
    chainTabStops(stops);
}

void CWirelessPage::connectControls() {
    const Controls& c = controls_;
    for (QAbstractButton* button :
         {c.exportProfileButton, c.importProfileButton, c.resetProfileButton, c.applyButton}) {
        connect(button, &QAbstractButton::clicked, this, [this, button] { onClick(button); });
    }
    for (Tab& tab : tabs_) {
        connect(tab.button, &QAbstractButton::toggled, this, [this, &tab](bool checked) {
            if (checked) onTabChosen(tab);
        });
    }
    for (int profile = 0; profile < kProfileCount; ++profile) {
        connect(c.profileButtons[static_cast<std::size_t>(profile)], &QAbstractButton::toggled,
                this, [this, profile](bool checked) {
                    if (checked) session_.selectProfile(profile);
                });
    }
}

void CWirelessPage::connectSession() {
    MouseSession* session = &session_;
    connect(session, &MouseSession::sleepChanged, this, &CWirelessPage::onSleepChanged);
    connect(session, &MouseSession::chargingChanged, power_, &PowerDisplay::showCharging);
    connect(session, &MouseSession::batteryReported, power_, &PowerDisplay::showBattery);
    connect(session, &MouseSession::dpiLevelChanged, this, &CWirelessPage::onDpiLevelChanged);
    connect(session, &MouseSession::activeProfileChanged, this, &CWirelessPage::onActiveProfileChanged);
    connect(session, &MouseSession::switchedOnMouse, this, &CWirelessPage::showPending);
    connect(session, &MouseSession::changedOutside, this, &CWirelessPage::showOutsideChange);
    connect(session, &MouseSession::recordEdited, this, &CWirelessPage::onRecordEdited);
    connect(session, &MouseSession::macroStoreChanged, this, &CWirelessPage::onMacroStoreChanged);
    connect(session, &MouseSession::applyStarted, this, &CWirelessPage::onApplyStarted);
    connect(session, &MouseSession::applyProgressed, feedback_, &ApplyFeedback::progressed);
    connect(session, &MouseSession::applyFinished, this,
            [this](const ApplyProgress& progress, int, int failed) { onApplyFinished(progress, failed); });
    connect(session, &MouseSession::applySkipped, this, &CWirelessPage::onApplySkipped);
    connect(session, &MouseSession::saveFailed, this, [this](const std::filesystem::path& file) {
        showStatus(text("save_failed_text").arg(nativePath(file)), true);
    });
}

void CWirelessPage::setCapture(CaptureService* capture) { context_.capture = capture; }

void CWirelessPage::loadAndDistribute() {
    const ConfigLoadResult loaded = session_.load();
    noteMacroStoreProblem();
    showLoadOutcome(loaded);

    distributed_ = true;
    for (SettingsPage* page : builtPages()) {
        page->setContext(context_);
        page->macrosChanged();
    }
    refreshPages();
    if (!tabs_.empty()) {
        const auto first = std::min_element(tabs_.begin(), tabs_.end(), [](const Tab& a, const Tab& b) {
            return a.kind->tabPosition < b.kind->tabPosition;
        });
        first->button->setChecked(true);
    }
    selectProfileButtonQuietly(activeProfileIndex(session_.record()));
    session_.startDownload();
}

void CWirelessPage::showLoadOutcome(const ConfigLoadResult& loaded) {
    const bool misfit = loaded.damaged || loaded.overlong;
    loadProblem_.clear();
    // A file of the wrong size is replaced only once a copy of it is kept.
    if (misfit && (loaded.unreadable || loaded.damagedCopy.empty())) {
        loadProblem_ = text("config_damaged_not_kept_text").arg(nativePath(configFilePath()));
    } else if (misfit) {
        loadProblem_ = text("config_damaged_text").arg(nativePath(loaded.damagedCopy));
    } else if (loaded.unreadable) {
        loadProblem_ = text("config_unreadable_text").arg(nativePath(configFilePath()));
    } else if (loaded.createdDefaults && !loaded.savedDefaults) {
        loadProblem_ = text("save_failed_text").arg(nativePath(configFilePath()));
    }
    showStatus(loadProblem_, !loadProblem_.isEmpty());
}

bool CWirelessPage::takeOpenEdits() {
    if (std::ranges::all_of(builtPages(), &SettingsPage::takeOpenEdit)) return true;
    showStatus(text("apply_open_edit_text"), true);
    return false;
}

void CWirelessPage::discardEdits() {
    session_.discardEdits();
    selectProfileButtonQuietly(activeProfileIndex(session_.record()));
    refreshPages();
}

bool CWirelessPage::pagesHoldUnsavedEdits() const {
    return std::ranges::any_of(builtPages(), &SettingsPage::hasUnsavedEdits);
}

void CWirelessPage::showOutsideChange(const commands::Effects& effects) {
    if (effects.macrosChanged) onMacroStoreChanged(false);
    if (effects.reset) {
        for (SettingsPage* page : builtPages()) page->resetDone();
    }
    if (effects.recordChanged || effects.profileChosen) {
        selectProfileButtonQuietly(activeProfileIndex(session_.record()));
        refreshPages();
    }
}

void CWirelessPage::requestApply(bool full) {
    applyAsked_ = true;
    session_.requestApply(full);
}

void CWirelessPage::tellDone(const QString& words) {
    showStatus(words, false);
    doneWords_ = applyAsked_ ? words : QString();
}

// Bindings that changed with the store are shown by every page; a renamed macro renames them.
void CWirelessPage::onMacroStoreChanged(bool bindingsChanged) {
    for (SettingsPage* page : builtPages()) page->macrosChanged();
    if (bindingsChanged) refreshPages();
    showPending();
}

// A note (what the last apply did) no longer holds once the user edits again.
void CWirelessPage::onRecordEdited() {
    showPending();
    if (statusIsNote_ && !session_.applying()) showStatus(QString(), false);
}

void CWirelessPage::onClick(QAbstractButton* sender) {
    const Controls& c = controls_;
    if (sender == c.applyButton) {
        // An edit still open on a page goes with the apply; one that would store nothing holds
        // the apply back with a word, rather than be left behind unseen.
        if (takeOpenEdits()) requestApply(false);
    } else if (sender == c.exportProfileButton) {
        if (const auto file = exportActiveProfile(mainWindow_, session_.record())) {
            tellDone(text("profile_exported_text").arg(activeProfileIndex(session_.record()) + 1).arg(chosenFileName(*file)));
        }
    } else if (sender == c.importProfileButton) {
        if (const auto file = importIntoActiveProfile(mainWindow_, session_)) {
            requestApply(true);
            tellDone(text("profile_imported_text").arg(activeProfileIndex(session_.record()) + 1).arg(chosenFileName(*file)));
        }
    } else if (sender == c.resetProfileButton) {
        CMsgWnd box(mainWindow_, QStringLiteral("reset_title_text"), QStringLiteral("restore_text"));
        box.offerChoices(QStringLiteral("reset_confirm_text"), QStringLiteral("cancel_text"), QString());
        box.setDefaultChoice(CMsgWnd::kCancelled);  // Enter never resets
        if (box.showModal() == CMsgWnd::kConfirmed) resetConfiguration();
    }
}

// A page with unsaved work keeps its tab: the user is told, and its tab button is selected again.
void CWirelessPage::onTabChosen(Tab& tab) {
    if (shownTab_ && shownTab_ != &tab && !shownTab_->page->canLeave()) {
        const QSignalBlocker blocker(shownTab_->button);
        shownTab_->button->setChecked(true);
        return;
    }
    shownTab_ = &tab;
    controls_.tabSwitch->setCurrentWidget(buildPage(tab));
}

void CWirelessPage::selectProfileWithNotification(int profile) {
    QAbstractButton* button = controls_.profileButtons[static_cast<std::size_t>(profile)];
    if (button->isChecked()) {
        session_.selectProfile(profile);
    } else {
        button->setChecked(true);
    }
}

void CWirelessPage::resetConfiguration() {
    session_.resetToDefaults();
    selectProfileWithNotification(0);
    refreshPages();
    for (SettingsPage* page : builtPages()) page->resetDone();
    requestApply(true);
}

void CWirelessPage::onApplyStarted(const ApplyProgress& progress) {
    applyAsked_ = false;
    doneWordsOfApply_ = std::exchange(doneWords_, QString());
    controls_.applyRing->show();
    feedback_->progressed(progress);
}

// The end's word first; the session saves after this, so that a save that fails has the last word.
void CWirelessPage::onApplyFinished(const ApplyProgress& progress, int failed) {
    controls_.applyRing->hide();
    feedback_->finished(progress, failed);
    if (failed == 0 && !doneWordsOfApply_.isEmpty()) showStatus(text("done_sent_text").arg(doneWordsOfApply_), false);
    doneWordsOfApply_.clear();
    // What loading found is said again once the start's download has ended, which the user did not
    // ask for; a lasting problem outranks the word that everything arrived.
    if (failed == 0 && !loadProblem_.isEmpty()) {
        showStatus(std::exchange(loadProblem_, {}), true);
    } else if (failed == 0 && !macroStoreProblem_.isEmpty()) {
        showStatus(QString(), false);
    }
    showPending();
}

void CWirelessPage::onApplySkipped(ApplySkipReason reason) {
    applyAsked_ = false;
    doneWords_.clear();
    if (!loadProblem_.isEmpty()) return showStatus(loadProblem_, true);
    showStatus(text(reason == ApplySkipReason::mouseAsleep ? "apply_asleep_text" : "apply_no_link_text"), false);
}

void CWirelessPage::noteMacroStoreProblem() {
    const MacroStoreProblem problem = session_.macros().storeProblem();
    const QString path = nativePath(macroFilePath());
    if (problem == MacroStoreProblem::tooLarge) {
        macroStoreProblem_ = text("macro_store_too_large_text").arg(path).arg(kMacroStoreCapacity);
    } else if (problem != MacroStoreProblem::none) {
        macroStoreProblem_ = text("macro_store_unreadable_text").arg(path);
    }
}

void CWirelessPage::showStatus(const QString& message, bool problem) {
    if (message.isEmpty() && !macroStoreProblem_.isEmpty()) return showStatus(macroStoreProblem_, true);
    QLabel* status = controls_.applyStatus;
    statusIsNote_ = !problem && !message.isEmpty();
    status->setText(message);
    setSkinProperty(status, "qx4role", problem ? QStringLiteral("danger") : QStringLiteral("caption"));
}

void CWirelessPage::onSleepChanged(bool asleep) {
    power_->showSleepLabel(asleep);
    // A note that an apply was dropped no longer holds once the mouse is awake; an apply's
    // progress stays.
    if (!asleep && statusIsNote_ && !session_.applying()) showStatus(QString(), false);
}

void CWirelessPage::onDpiLevelChanged(int level) {
    for (SettingsPage* page : builtPages()) page->deviceEvent(DeviceEvent{DeviceEvent::Kind::dpiLevelChanged, level});
}

void CWirelessPage::onActiveProfileChanged(int profile) {
    selectProfileButtonQuietly(profile);
    refreshPages();
}

// Selected without its selection event, so no apply is requested.
void CWirelessPage::selectProfileButtonQuietly(int profile) {
    QAbstractButton* button = controls_.profileButtons[static_cast<std::size_t>(profile)];
    const QSignalBlocker blocker(button);
    button->setChecked(true);
}

void CWirelessPage::refreshPages() {
    for (SettingsPage* page : builtPages()) page->refreshFromRecord();
    showPending();
}

void CWirelessPage::showPending() { feedback_->showPending(session_.notOnMouse()); }

}  // namespace qx4::gui
