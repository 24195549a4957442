// The device link: both driver libraries, the presence of each link, and the mouse's own
// notifications. Everything but writeReport runs on one thread (the UI thread in the program, the
// main thread in qx4ctl); writeReport is called by the apply worker.
//
// Shutdown is split so the owner can keep the order that is safe: closeLinks(), then stop and
// join the apply worker, then releaseLibraries() — unloading a library the worker may still be
// calling into would run freed code.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>

#include "core/abi/qx4_message_sink.h"
#include "core/config/device_config.h"
#include "core/device/device_observer.h"
#include "core/device/driver_library.h"
#include "core/device/link_state.h"
#include "core/device/notifications.h"
#include "core/device/report_writer.h"

namespace qx4 {

enum class DriverSet { hardware, virtualMouse };

// pollingRateIndex (0-3) for the report interval the mouse announces with notification 0x2000
// (1-8 ms): 1 -> 3, 2 -> 2, 3 and 4 -> 1, 5 to 8 -> 0.
int pollingRateIndexForNotifiedInterval(int interval);

using PauseFunction = std::function<void(std::chrono::milliseconds, std::stop_token)>;
// Waits for the duration or until a stop is requested, whichever comes first.
void pauseInterruptibly(std::chrono::milliseconds duration, std::stop_token stop);

class DeviceLink final : public ReportWriter {
public:
    // `current` is the live record the notifications change; it and `observer` outlive the link.
    DeviceLink(DeviceConfig& current, DeviceObserver& observer,
               DriverBinder& binder = dlopenDriverBinder(), PauseFunction pause = pauseInterruptibly);
    // Closes and releases whatever is still open; by then the owner has stopped the worker.
    ~DeviceLink() override;

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Binds the cable library, then the receiver's; opens the cable link, then the receiver link;
    // tells the observer whether a link is present. The libraries post their messages through `sink`.
    void start(const qx4_message_sink& sink, DriverSet drivers = DriverSet::hardware);

    // Routes one of the four driver messages (1329-1332); false for any other message.
    bool dispatchMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onDataMessage(Link link, std::uint32_t statusWord);
    void onArrivalMessage(Link link, std::uintptr_t wParam);
    // The 1000 ms arrival timer of `link` fired.
    void completeArrival(Link link);
    // Returns whether the record changed (and was saved).
    bool handleNotification(std::uint32_t code, std::uint32_t value);

    // Close_FeatureDevice and Close_DevMonitor of the receiver, then of the cable; both links
    // count as absent afterwards and pending arrivals are dropped.
    void closeLinks();
    // Unloads the receiver's library, then the cable's.
    void releaseLibraries();

    // Prefers the cable while it is present, else the receiver; pauses 100 ms (cable) or 400 ms
    // (receiver) after a write that succeeded.
    WriteResult writeReport(const FeatureReport& report, std::stop_token stop) override;

    const PresenceState& presence() const { return presence_; }

private:
    static std::size_t index(Link link) { return static_cast<std::size_t>(link); }
    bool openLink(Link link);
    void onArrival(Link link);
    void onRemoval(Link link);
    void setAnyLinkPresent(int value);

    DeviceConfig& current_;
    DeviceObserver& observer_;
    DriverBinder& binder_;
    PauseFunction pause_;
    qx4_message_sink sink_{};
    bool started_ = false;
    std::array<HidDriverLink, 2> libraries_{};
    std::array<bool, 2> bound_{};
    std::array<bool, 2> monitorOpen_{};
    std::array<bool, 2> arrivalPending_{};
    PresenceState presence_;
};

}  // namespace qx4
