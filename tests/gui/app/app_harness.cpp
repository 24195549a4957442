#include "app_harness.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTest>

#include "core/window_messages.h"
#include "gui/app/window_message.h"

namespace qx4::gui::test {

namespace {
// Notes the apply requests and the ends of applies as they reach the window.
template <typename Traffic>
class ApplyTrafficRecorder final : public QObject {
public:
    ApplyTrafficRecorder(QObject* parent, Traffic& traffic) : QObject(parent), traffic_(traffic) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != WindowMessageEvent::eventType()) return false;
        const auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->message() == UM_APPLY_REQUEST) traffic_.applyRequests.push_back(message->wParam());
        if (message->message() == UM_APPLY_FINISHED || message->message() == UM_APPLY_SKIPPED) {
            ++traffic_.appliesEnded;
        }
        return false;
    }

private:
    Traffic& traffic_;
};
}  // namespace

AppHarness::AppHarness(HarnessOptions options)
    : trayAvailable(options.trayAvailable),
      dataEnv_("QX4_DATA_DIR", dataFolder_.path().string()) {
    qx4::test::FakeDrivers::instance().reset("receiver", "cable");
    library(Link::receiver).openResult = options.receiverPresent ? 1 : 0;
    library(Link::cable).openResult = options.cablePresent ? 1 : 0;
    if (!options.librariesMissing) {
        for (Link link : kLinks) {
            const LinkParameters& params = linkParameters(link);
            for (std::string_view file : {params.libraryFile, params.virtualLibraryFile}) {
                binder_.files[std::string(file)] = static_cast<int>(link);
            }
        }
    }

    MainWindowOptions windowOptions;
    windowOptions.driverBinder = &binder_;
    windowOptions.pauseAfterWrite = [](std::chrono::milliseconds, std::stop_token) {};
    windowOptions.hookLibraryFile = options.hookLibraryFile;
    windowOptions.trayAvailable = [this] { return trayAvailable; };
    windowOptions.controls.registerClass(QStringLiteral("WirelessButton"), [](QWidget* parent) {
        return new RecordingButtonPage(parent);
    });
    windowOptions.controls.registerClass(QStringLiteral("WirelessMacro"), [](QWidget* parent) {
        return new RecordingMacroPage(parent);
    });
    window_ = std::make_unique<CMainWnd>(std::move(windowOptions));
    window_->installEventFilter(new ApplyTrafficRecorder<Traffic>(window_.get(), traffic_));
    window_->initialize();
    window_->applyStartVisibility(options.startHidden);
    deliverMessages();
}

AppHarness::~AppHarness() {
    window_->shutdown();
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

RecordingButtonPage* AppHarness::buttonPage() const {
    return window_->findChild<RecordingButtonPage*>(QStringLiteral("wireless_button_tab"));
}

RecordingMacroPage* AppHarness::macroPage() const {
    return window_->findChild<RecordingMacroPage*>(QStringLiteral("wireless_macro_tab"));
}

void AppHarness::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    postWindowMessage(window_.get(), message, wParam, lParam);
}

qx4::test::FakeDrivers::Library& AppHarness::library(Link link) {
    return qx4::test::FakeDrivers::instance().libraries[static_cast<std::size_t>(link)];
}

void AppHarness::plug(Link link) {
    const auto& driver = library(link);
    driver.sink->post(driver.sink->context, driver.arrivalMessage, 1, 0);
}

void AppHarness::unplug(Link link) {
    const auto& driver = library(link);
    driver.sink->post(driver.sink->context, driver.arrivalMessage, 0, 0);
}

void AppHarness::notify(Link link, std::uint16_t code, std::uint16_t value) {
    const auto& driver = library(link);
    driver.sink->post(driver.sink->context, driver.dataMessage, code, value);
}

std::vector<std::vector<std::uint8_t>> AppHarness::reports(Link link) {
    const std::lock_guard lock(qx4::test::FakeDrivers::instance().mutex);
    return library(link).reports;
}

void AppHarness::failWrites(Link link, bool fail) {
    const std::lock_guard lock(qx4::test::FakeDrivers::instance().mutex);
    library(link).setFeatureResult = fail ? 0 : 1;
}

void AppHarness::deliverMessages() {
    // A message may post the next one (a notification posts a popup message); three rounds
    // reach the end of every chain the program has.
    for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents();
}

bool AppHarness::waitForAppliesEnded(int total) {
    return QTest::qWaitFor([&] { return traffic_.appliesEnded >= total; }, 5000);
}

void AppHarness::settleArrival(Link link) {
    const QString name = QString::fromLatin1(linkParameters(link).name.data()) +
                         QStringLiteral("_arrival_timer");
    fire(page().findChild<QTimer*>(name));
    deliverMessages();
}

bool fire(QTimer* timer) {
    if (!timer || !timer->isActive()) return false;
    if (timer->isSingleShot()) timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

}  // namespace qx4::gui::test
