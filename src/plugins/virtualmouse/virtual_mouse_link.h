// One link (receiver or cable) of the virtual mouse, as a driver library serves it: a feature
// connection that carries reports and waits for each answer, and a monitor thread that turns what
// the virtual mouse pushes into posted messages. Safe to use from two threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "core/abi/qx4_message_sink.h"
#include "plugins/driver_exports/driver_backend.h"
#include "plugins/virtualmouse/vm_protocol.h"

namespace qx4::vm {

class VirtualMouseLink final : public DriverBackend {
public:
    // How long a reply may take before the virtual mouse counts as gone.
    static constexpr int kReplyTimeoutMs = 3000;
    // How often the monitor looks for a virtual mouse that is not running yet.
    static constexpr int kReconnectIntervalMs = 500;

    VirtualMouseLink() = default;
    ~VirtualMouseLink() override;
    VirtualMouseLink(const VirtualMouseLink&) = delete;
    VirtualMouseLink& operator=(const VirtualMouseLink&) = delete;

    void setIds(int vendorId, int productId) override;
    void openMonitor(const qx4_message_sink& sink, std::uint32_t dataMessage,
                     std::uint32_t arrivalMessage) override;
    void closeMonitor() override;
    bool openFeature() override;
    void closeFeature() override;
    bool setFeature(const unsigned char* report, int length) override;
    // The virtual mouse keeps no readable feature reports.
    int getFeature(unsigned char*, int) override { return 0; }

private:
    struct Subscription {
        int fd = -1;
        bool plugged = false;
        FrameDecoder decoder;  // holds whatever came right behind the status
    };
    std::optional<Link> link() const;
    // Connects and introduces itself; the socket and whether the link is plugged, or fd -1.
    Subscription connectAs(Role role) const;
    void runMonitor(Subscription subscription);
    // Posts what the decoder holds; false when the peer broke the framing.
    bool drain(FrameDecoder& decoder, bool& plugged);
    // Handles what arrived on the monitor connection; false when the connection ended.
    bool pumpMonitor(int fd, FrameDecoder& decoder, bool& plugged);
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;

    static constexpr int kNoLink = -1;  // ids that name no link
    std::atomic<int> link_{kNoLink};

    std::mutex featureMutex_;
    int featureFd_ = -1;
    FrameDecoder featureDecoder_;

    std::mutex monitorMutex_;  // serialises openMonitor and closeMonitor
    std::thread monitorThread_;
    int wakeFd_ = -1;
    qx4_message_sink sink_{};
    std::uint32_t dataMessage_ = 0;
    std::uint32_t arrivalMessage_ = 0;
};

}  // namespace qx4::vm
