// Driver libraries for the application tests: the seven entry points of each link are plain
// functions over a state the test sets and reads. Arrivals, removals and the mouse's status are
// posted through the sink the program handed to Open_DevMonitor, as a real library does.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "core/device/driver_library.h"
#include "core/device/link_state.h"

namespace qx4::gui::test {

struct FakeDriverState {
    bool devicePresent = false;  // what Open_FeatureDevice answers
    bool writesSucceed = true;
    int featureOpens = 0;
    int featureCloses = 0;
    int monitorCloses = 0;
    const qx4_message_sink* sink = nullptr;
    std::uint32_t dataMessage = 0;
    std::uint32_t arrivalMessage = 0;

    // Written by the apply worker.
    std::vector<std::vector<std::uint8_t>> reports() const;
    std::size_t reportCount() const;
    void recordReport(const unsigned char* bytes, int length);

    // As the library would report them.
    void postArrival() const;
    void postRemoval() const;
    void postStatus(std::uint16_t code, std::uint16_t value) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> reports_;
};

FakeDriverState& fakeDriver(Link link);
// Both links back to absent, with nothing recorded.
void resetFakeDrivers();

// Binds the fake entry points for the receiver's and the cable's library names (real or
// virtual); a name it does not know fails, as a missing file would.
class FakeDriverBinder final : public DriverBinder {
public:
    bool bind(HidDriverLink& link, std::string_view fileName) override;
    void release(HidDriverLink& link) override;
    int releases = 0;
    bool librariesMissing = false;
};

}  // namespace qx4::gui::test
