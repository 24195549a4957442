// Keys and mouse buttons captured by the input-hook library, for the one page that asked. A page
// begins a capture and holds the returned Capture; the capture ends when that object is ended or
// destroyed, so it cannot outlive what the page shows. The service makes the hook library's calls
// in the order each kind of capture needs, keeps the three capture flags (which kind is running;
// beginning one clears the others), and hands every captured input, stamped with the moment it
// arrived, to the current target only. What the library posts reaches the service on the UI
// thread, whichever thread posted it, and becomes a CapturedInput at once (hook_input.h).
#pragma once

#include <cstdint>
#include <memory>

#include "core/abi/qx4_message_sink.h"
#include "core/edit/captured_input.h"
#include "gui/common/hook_table.h"

namespace qx4::gui {

class CaptureTarget {
public:
    virtual void capturedInput(const CapturedInput& input) = 0;

protected:
    ~CaptureTarget() = default;
};

class CaptureService {
public:
    // The three capture flags, by their index.
    enum class Kind : std::uint8_t { buttonKey = 0, macroRecording = 1, macroStepKey = 2 };

    // A running capture; ends when ended or destroyed. Move-only.
    class Capture {
    public:
        Capture() = default;
        Capture(Capture&& other) noexcept;
        Capture& operator=(Capture&& other) noexcept;
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;
        ~Capture() { end(); }

        void end();
        bool active() const { return service_ != nullptr; }
        // A recording pauses the mouse buttons while the pointer is over its own record button,
        // so that the click that stops it is not recorded.
        void pauseMouse(bool paused);

    private:
        friend class CaptureService;
        Capture(CaptureService* service, std::uint64_t serial) : service_(service), serial_(serial) {}
        CaptureService* service_ = nullptr;
        std::uint64_t serial_ = 0;
    };

    // On the UI thread, which the library's posts then reach.
    explicit CaptureService(const HookTable& hooks);
    ~CaptureService();
    CaptureService(const CaptureService&) = delete;
    CaptureService& operator=(const CaptureService&) = delete;

    [[nodiscard]] Capture begin(Kind kind, CaptureTarget& target);
    // To the current target, if any.
    void deliver(const CapturedInput& input);
    // What the library is given by installtimedhook; any thread may post through it.
    const qx4_timed_message_sink& hookSink() const { return timedSink_; }

    // The hook library is there with what a key capture needs.
    bool available() const { return hooks_.installhook != nullptr || hooks_.installtimedhook != nullptr; }
    // Input comes from the whole desktop, not only from the program's own windows.
    bool wholeDesktop() const { return hooks_.hookcapturescope && hooks_.hookcapturescope() == 1; }
    bool flag(Kind kind) const { return flags_[static_cast<std::size_t>(kind)] == 1; }

private:
    class Receiver;

    void install();
    void finish(std::uint64_t serial);
    void pause(std::uint64_t serial, bool paused);

    const HookTable& hooks_;
    std::unique_ptr<Receiver> receiver_;
    qx4_message_sink sink_;
    qx4_timed_message_sink timedSink_;
    std::uint8_t flags_[3] = {0, 0, 0};
    Kind kind_ = Kind::buttonKey;
    CaptureTarget* target_ = nullptr;
    std::uint64_t serial_ = 0;  // of the running capture; 0 while none runs
    std::uint64_t lastSerial_ = 0;
};

}  // namespace qx4::gui
