#include "fake_driver.h"

#include <array>
#include <memory>

#include "core/window_messages.h"

namespace qx4::gui::test {

namespace {
std::array<std::unique_ptr<FakeDriverState>, 2>& states() {
    static std::array<std::unique_ptr<FakeDriverState>, 2> all{
        std::make_unique<FakeDriverState>(), std::make_unique<FakeDriverState>()};
    return all;
}

template <Link L>
struct Entry {
    static FakeDriverState& state() { return fakeDriver(L); }
    static void Set_VIDPID(int, int) {}
    static void Open_DevMonitor(const qx4_message_sink* sink, std::uint32_t data,
                                std::uint32_t arrival) {
        state().sink = sink;
        state().dataMessage = data;
        state().arrivalMessage = arrival;
    }
    static void Close_DevMonitor() {
        ++state().monitorCloses;
        state().sink = nullptr;
    }
    static int Open_FeatureDevice() {
        ++state().featureOpens;
        return state().devicePresent ? 1 : 0;
    }
    static void Close_FeatureDevice() { ++state().featureCloses; }
    static int SetFeature(const unsigned char* report, int length) {
        if (!state().writesSucceed) return 0;
        state().recordReport(report, length);
        return 1;
    }
    static int GetFeature(unsigned char*, int) { return 0; }

    static void fill(HidDriverLink& link) {
        link.module = &state();
        link.Set_VIDPID = &Set_VIDPID;
        link.Open_DevMonitor = &Open_DevMonitor;
        link.Close_DevMonitor = &Close_DevMonitor;
        link.Open_FeatureDevice = &Open_FeatureDevice;
        link.Close_FeatureDevice = &Close_FeatureDevice;
        link.SetFeature = &SetFeature;
        link.GetFeature = &GetFeature;
    }
};
}  // namespace

std::vector<std::vector<std::uint8_t>> FakeDriverState::reports() const {
    const std::lock_guard lock(mutex_);
    return reports_;
}

std::size_t FakeDriverState::reportCount() const {
    const std::lock_guard lock(mutex_);
    return reports_.size();
}

void FakeDriverState::recordReport(const unsigned char* bytes, int length) {
    const std::lock_guard lock(mutex_);
    reports_.emplace_back(bytes, bytes + length);
}

void FakeDriverState::postArrival() const { sink->post(sink->context, arrivalMessage, 1, 0); }

void FakeDriverState::postRemoval() const { sink->post(sink->context, arrivalMessage, 0, 0); }

void FakeDriverState::postStatus(std::uint16_t code, std::uint16_t value) const {
    sink->post(sink->context, dataMessage, code, value);
}

FakeDriverState& fakeDriver(Link link) { return *states()[static_cast<std::size_t>(link)]; }

void resetFakeDrivers() {
    for (auto& state : states()) state = std::make_unique<FakeDriverState>();
}

bool FakeDriverBinder::bind(HidDriverLink& link, std::string_view fileName) {
    if (librariesMissing) return false;
    for (Link which : kLinks) {
        const LinkParameters& params = linkParameters(which);
        if (fileName != params.libraryFile && fileName != params.virtualLibraryFile) continue;
        if (which == Link::cable) {
            Entry<Link::cable>::fill(link);
        } else {
            Entry<Link::receiver>::fill(link);
        }
        return true;
    }
    return false;
}

void FakeDriverBinder::release(HidDriverLink& link) {
    ++releases;
    link = HidDriverLink{};
}

}  // namespace qx4::gui::test
