#include "tests/support/app_harness.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include "core/abi/window_messages.h"
#include "core/commands/edit_command.h"
#include "gui/common/window_message.h"
#include "gui/pages/page_table.h"
#include "gui/session/record_saver.h"
#include "tests/support/patience.h"

namespace qx4::gui::test {

void AppHarness::deliverMessages() {
    // A notification posts a popup message, and so on: three rounds reach the end of every chain.
    for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents();
}

AppHarness::AppHarness(HarnessOptions options)
    : trayAvailable(options.trayAvailable), access(options.access), dataEnv_("QX4_DATA_DIR", dataFolder_.path().string()) {
    qx4::test::FakeDrivers::instance().reset("receiver", "cable");
    library(Link::receiver).openResult = options.receiverPresent ? 1 : 0;
    library(Link::cable).openResult = options.cablePresent ? 1 : 0;
    for (Link link : options.librariesMissing ? std::span<const Link>() : std::span(kLinks)) {
        for (std::string_view file : {linkParameters(link).libraryFile, linkParameters(link).virtualLibraryFile}) {
            binder_.files[std::string(file)] = static_cast<int>(link);
        }
    }
    if (options.prepareData) options.prepareData(dataFolder_.path());
    MainWindowOptions windowOptions;
    windowOptions.hookLibraryFile = options.hookLibraryFile;
    windowOptions.trayAvailable = [this] { return trayAvailable; };
    windowOptions.checkAccess = [this] { return access; };
    if (!options.realButtonPage) {
        windowOptions.controls.registerClass("WirelessButton", [](QWidget* parent) {
            return new RecordingPage(parent, *findPageKind("WirelessButton"));
        });
    }
    session_ = std::make_unique<MouseSession>(
        binder_, options.pauseAfterWrite ? options.pauseAfterWrite : [](std::chrono::milliseconds, std::stop_token) {});
    window_ = std::make_unique<CMainWnd>(*session_, std::move(windowOptions));
    tray_ = std::make_unique<TrayController>(*session_, *window_,
                                             [this](const DesktopNotice& notice) { notices.push_back(notice); });
    window_->installEventFilter(new EventCounter(window_.get(), QEvent::Show, timesShown));
    // Before the window hears of the ticket's end, as the quit after an apply is counted.
    QObject::connect(&session(), &MouseSession::applyRequested, [this](bool full) { applyRequests.push_back(full ? 1 : 0); });
    QObject::connect(&session(), &MouseSession::applyFinished, [this] { ++appliesEnded; });
    QObject::connect(&session(), &MouseSession::applySkipped, [this] { ++appliesEnded; });
    window_->initialize();
    if (options.everyPageBuilt) showEveryTab(*window_);
    window_->applyStartVisibility(options.startHidden);
    deliverMessages();
}

AppHarness::~AppHarness() {
    shutdown();
    tray_.reset();
    window_.reset();
    session_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void AppHarness::shutdown() {
    tray_->shutdown();
    session_->shutdown();
    window_->shutdown();
}

void AppHarness::sendHookInput(std::uintptr_t wParam, std::intptr_t lParam) {
    const qx4_timed_message_sink& sink = window_->capture().hookSink();
    sink.post(sink.context, UM_HOOK_INPUT, wParam, lParam, monotonicMilliseconds());
    deliverMessages();
}

void AppHarness::sendAsDriver(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    postWindowMessage(&session(), message, wParam, lParam);
    deliverMessages();
}

void AppHarness::click(const char* button) {
    control<QAbstractButton>(button)->click();
    deliverMessages();
}

void AppHarness::clickTray(QSystemTrayIcon::ActivationReason reason) {
    Q_EMIT tray_->trayIcon()->activated(reason);
    deliverMessages();
}

QAction* AppHarness::trayAction(const char* name) {
    clickTray(QSystemTrayIcon::Context);
    return tray_->trayMenu()->findChild<QAction*>(name);
}

qx4::test::FakeDrivers::Library& AppHarness::library(Link link) {
    return qx4::test::FakeDrivers::instance().libraries[static_cast<std::size_t>(link)];
}

void AppHarness::plug(Link link, bool present) {
    const auto& driver = library(link);
    driver.sink->post(driver.sink->context, driver.arrivalMessage, present ? 1 : 0, 0);
    deliverMessages();
}

void AppHarness::notify(Link link, std::uint16_t code, std::uint16_t value) {
    const auto& driver = library(link);
    driver.sink->post(driver.sink->context, driver.dataMessage, code, value);
    deliverMessages();
}

void AppHarness::settleArrival(Link link) {
    fire(session().findChild<QTimer*>(QString::fromLatin1(linkParameters(link).name.data()) + "_arrival_timer"));
    deliverMessages();
}

void AppHarness::edit(const std::vector<std::string>& arguments) {
    const std::vector<std::string_view> typed(arguments.cbegin(), arguments.cend());
    auto parsed = commands::parseEditCommand(typed, {});
    ASSERT_TRUE(std::holds_alternative<commands::EditCommand>(parsed)) << arguments.front();
    const auto edit = session().runOutsideEdit(std::get<commands::EditCommand>(parsed));
    ASSERT_TRUE(edit && edit->outcome.exitCode == 0) << arguments.front();
}

std::vector<std::vector<std::uint8_t>> AppHarness::reports(Link link) {
    const std::lock_guard lock(qx4::test::FakeDrivers::instance().mutex);
    return library(link).reports;
}

void AppHarness::failWrites(Link link, bool fail) {
    const std::lock_guard lock(qx4::test::FakeDrivers::instance().mutex);
    library(link).setFeatureResult = fail ? 0 : 1;
}

void AppHarness::refuseReports(Link link, int command) {
    const std::lock_guard lock(qx4::test::FakeDrivers::instance().mutex);
    library(link).refusedCommand = command;
}

bool AppHarness::waitForAppliesEnded(int total) {
    return QTest::qWaitFor([&] { return appliesEnded >= total; }, qx4::test::kPatienceMs);
}

PauseFunction WriteGate::pause() {
    return [this](std::chrono::milliseconds, std::stop_token stop) {
        std::unique_lock lock(mutex_);
        ++waiting_;
        held_.notify_all();
        if (opened_.wait(lock, stop, [this] { return permits_ > 0; })) --permits_;
        --waiting_;
    };
}

void WriteGate::waitUntilHeld() {
    std::unique_lock lock(mutex_);
    held_.wait(lock, [this] { return waiting_ > 0 && permits_ == 0; });
}

void WriteGate::open(int writes) {
    {
        const std::lock_guard lock(mutex_);
        permits_ += writes;
    }
    opened_.notify_all();
}

bool fire(QTimer* timer) {
    if (!timer || !timer->isActive()) return false;
    if (timer->isSingleShot()) timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

bool saveRecordNow(MouseSession& session) {
    auto* saver = session.findChild<RecordSaver*>();
    if (!saver) return false;
    QSignalSpy ended(saver, &RecordSaver::backgroundSaveEnded);
    return fire(saver->findChild<QTimer*>(QStringLiteral("record_save_timer"))) &&
           (!ended.isEmpty() || ended.wait(qx4::test::kPatienceMs));
}

}  // namespace qx4::gui::test
