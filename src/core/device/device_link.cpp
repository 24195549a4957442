#include "core/device/device_link.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "core/device/reports.h"

namespace qx4 {
namespace {

constexpr int kDpiLevelMin = 1, kDpiLevelMax = kDpiLevelCount;
constexpr int kIntervalMin = 1, kIntervalMax = 8;
constexpr int kBatteryMin = 1, kBatteryMax = 10;
constexpr int kLightModeMin = 0, kLightModeMax = 7;
constexpr int kProfileMin = 1, kProfileMax = kProfileCount;

constexpr std::uint32_t kPresenceIgnored = 0;

bool within(std::uint32_t value, int low, int high) {
    return value >= static_cast<std::uint32_t>(low) && value <= static_cast<std::uint32_t>(high);
}

Link otherLink(Link link) { return link == Link::cable ? Link::receiver : Link::cable; }

}  // namespace

// The mouse announces its report rate as the report interval in milliseconds, the same code the
// report-rate report carries (8, 4, 2, 1 for indices 0-3), so our own setting comes back as the
// index it was sent from. An interval between two rates the mouse offers (3, 5, 6, 7) is taken
// as the next slower rate: the stored rate never claims more than the mouse delivers.
int pollingRateIndexForNotifiedInterval(int interval) {
    static constexpr int kIndexByInterval[kIntervalMax] = {3, 2, 1, 1, 0, 0, 0, 0};
    if (interval < kIntervalMin || interval > kIntervalMax) return kIndexByInterval[kIntervalMax - 1];
    return kIndexByInterval[interval - 1];
}

void pauseInterruptibly(std::chrono::milliseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stop, duration, [] { return false; });
}

DeviceLink::DeviceLink(DeviceConfig& current, DeviceObserver& observer, DriverBinder& binder, PauseFunction pause)
    : current_(current), observer_(observer), binder_(binder), pause_(std::move(pause)) {}

DeviceLink::~DeviceLink() {
    closeLinks();
    releaseLibraries();
}

void DeviceLink::start(const qx4_message_sink& sink, DriverSet drivers) {
    if (started_) return;
    started_ = true;
    sink_ = sink;
    for (Link link : {Link::cable, Link::receiver}) {
        const LinkParameters& params = linkParameters(link);
        const auto file = drivers == DriverSet::hardware ? params.libraryFile : params.virtualLibraryFile;
        bound_[index(link)] = binder_.bind(libraries_[index(link)], file);
    }

    if (openLink(Link::cable)) {
        presence_.cableState = kLinkPresent;
        presence_.mouseAsleep = 0;
        observer_.chargingChanged(true, false);
    } else {
        presence_.cableState = kLinkNotSeen;
        presence_.mouseAsleep = 1;
        observer_.sleepChanged(true);
    }
    presence_.receiverState = openLink(Link::receiver) ? kLinkPresent : kLinkNotSeen;

    setAnyLinkPresent(presence_.present(Link::cable) || presence_.present(Link::receiver) ? 1 : 0);
}

bool DeviceLink::openLink(Link link) {
    HidDriverLink& library = libraries_[index(link)];
    if (!library.usable()) return false;
    const LinkParameters& params = linkParameters(link);
    library.Set_VIDPID(params.vendorId, params.productId);
    library.Open_DevMonitor(&sink_, params.dataMessage, params.arrivalMessage);
    monitorOpen_[index(link)] = true;
    return library.Open_FeatureDevice() != 0;
}

bool DeviceLink::dispatchMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (const auto link = linkForDataMessage(message)) {
        onDataMessage(*link, combineStatusWord(wParam, lParam));
        return true;
    }
    if (const auto link = linkForArrivalMessage(message)) {
        onArrivalMessage(*link, wParam);
        return true;
    }
    return false;
}

void DeviceLink::onArrivalMessage(Link link, std::uintptr_t wParam) {
    const std::uint32_t value = wParam == 1 ? kPresenceArrived : wParam == 0 ? kPresenceRemoved : kPresenceIgnored;
    onDataMessage(link, (kNotifyPresence << 16) | value);
}

void DeviceLink::onDataMessage(Link link, std::uint32_t statusWord) {
    const std::uint32_t code = statusWord >> 16;
    const std::uint32_t value = statusWord & 0xFFFFu;
    if (code == kNotifyPresence) {
        if (value == kPresenceArrived) onArrival(link);
        if (value == kPresenceRemoved) onRemoval(link);
        return;
    }
    if (isMouseNotification(code)) handleNotification(code, value);
}

void DeviceLink::onArrival(Link link) {
    // A link without its library cannot be opened, so it stays absent whatever is announced.
    if (!libraries_[index(link)].usable()) return;
    if (presence_.state(link) == kLinkPresent || arrivalPending_[index(link)]) return;
    arrivalPending_[index(link)] = true;
    observer_.startArrivalTimer(link);
}

void DeviceLink::completeArrival(Link link) {
    // A removal or a shutdown may have withdrawn the arrival while the timer was running.
    if (!arrivalPending_[index(link)]) return;
    arrivalPending_[index(link)] = false;
    presence_.state(link) = kLinkPresent;
    libraries_[index(link)].Open_FeatureDevice();
    if (link == Link::cable) {
        presence_.mouseAsleep = 0;
        observer_.chargingChanged(true, true);
    }
    if (presence_.present(otherLink(link))) return;
    setAnyLinkPresent(1);
}

void DeviceLink::onRemoval(Link link) {
    if (arrivalPending_[index(link)]) {
        arrivalPending_[index(link)] = false;
        observer_.cancelArrivalTimer(link);
    }
    if (!libraries_[index(link)].usable()) return;
    if (presence_.state(link) == kLinkRemoved) return;
    presence_.state(link) = kLinkRemoved;
    libraries_[index(link)].Close_FeatureDevice();
    if (link == Link::cable) {
        presence_.mouseAsleep = 1;
        observer_.chargingChanged(false, false);
    }
    if (presence_.present(otherLink(link))) return;
    setAnyLinkPresent(0);
}

void DeviceLink::setAnyLinkPresent(int value) {
    presence_.anyLinkPresent = value;
    observer_.connectionChanged(value == 1);
}

bool DeviceLink::handleNotification(std::uint32_t code, std::uint32_t value) {
    ProfileSettings& active = current_.profiles[static_cast<std::size_t>(activeProfileIndex(current_))];
    const int number = static_cast<int>(value);
    switch (code) {
    case kNotifyDpiLevel: {
        if (!within(value, kDpiLevelMin, kDpiLevelMax)) return false;
        const int level = number - 1;
        active.dpiLevel = level;
        observer_.dpiLevelChanged(level, active.dpiValuesX[static_cast<std::size_t>(level)]);
        observer_.recordChangedByMouse();
        return true;
    }
    case kNotifyReportRate:
        if (!within(value, kIntervalMin, kIntervalMax)) return false;
        active.pollingRateIndex = pollingRateIndexForNotifiedInterval(number);
        observer_.recordChangedByMouse();
        return true;
    case kNotifySleepStatus: {
        const bool asleep = sleepStatusAsleep(value);
        presence_.mouseAsleep = asleep ? 1 : 0;
        observer_.sleepChanged(asleep);
        const int battery = sleepStatusBattery(value);
        if (battery >= kBatteryMin && battery <= kBatteryMax) {
            presence_.batteryLevel = battery;
            observer_.sleepStatusBattery(battery);
            observer_.batteryReported(battery);
        }
        return false;
    }
    case kNotifyBattery:
        if (within(value, kBatteryMin, kBatteryMax)) {
            presence_.batteryLevel = number;
            observer_.batteryReported(number);
        }
        return false;
    case kNotifyLightMode:
        if (!within(value, kLightModeMin, kLightModeMax)) return false;
        active.lightMode = number;
        observer_.recordChangedByMouse();
        return true;
    case kNotifyProfile: {
        if (!within(value, kProfileMin, kProfileMax)) return false;
        const int profile = number - 1;
        current_.activeProfile = profile;
        observer_.profileChanged(profile);
        observer_.recordChangedByMouse();
        return true;
    }
    default:
        return false;
    }
}

void DeviceLink::closeLinks() {
    for (Link link : {Link::receiver, Link::cable}) {
        if (arrivalPending_[index(link)]) {
            arrivalPending_[index(link)] = false;
            observer_.cancelArrivalTimer(link);
        }
        if (presence_.state(link) == kLinkPresent) presence_.state(link) = kLinkRemoved;
        if (!monitorOpen_[index(link)]) continue;
        monitorOpen_[index(link)] = false;
        HidDriverLink& library = libraries_[index(link)];
        library.Close_FeatureDevice();
        library.Close_DevMonitor();
    }
    presence_.anyLinkPresent = 0;
}

void DeviceLink::releaseLibraries() {
    for (Link link : {Link::receiver, Link::cable}) {
        if (!bound_[index(link)]) continue;
        bound_[index(link)] = false;
        binder_.release(libraries_[index(link)]);
    }
}

WriteResult DeviceLink::writeReport(const FeatureReport& report, std::stop_token stop) {
    const Link link = presence_.present(Link::cable) ? Link::cable : Link::receiver;
    const HidDriverLink& library = libraries_[index(link)];
    const bool written = library.SetFeature && library.SetFeature(report.bytes.data(), report.length) != 0;
    if (written) pause_(linkParameters(link).pauseAfterWrite, stop);
    return {written, link};
}

}  // namespace qx4
