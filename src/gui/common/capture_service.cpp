#include "gui/common/capture_service.h"

#include <QObject>

#include <utility>

#include "core/abi/window_messages.h"
#include "gui/common/hook_input.h"
#include "gui/common/window_message.h"

namespace qx4::gui {

// Where the library's posts arrive.
class CaptureService::Receiver final : public QObject {
public:
    explicit Receiver(CaptureService& service) : service_(service) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
        const auto* message = static_cast<const WindowMessageEvent*>(event);
        if (message->message() != UM_HOOK_INPUT) return true;
        if (const auto input = capturedFromHook(message->wParam(), message->lParam(), message->time())) {
            service_.deliver(*input);
        }
        return true;
    }

private:
    CaptureService& service_;
};

CaptureService::Capture::Capture(Capture&& other) noexcept
    : service_(std::exchange(other.service_, nullptr)), serial_(std::exchange(other.serial_, 0)) {}

CaptureService::Capture& CaptureService::Capture::operator=(Capture&& other) noexcept {
    if (this != &other) {
        end();
        service_ = std::exchange(other.service_, nullptr);
        serial_ = std::exchange(other.serial_, 0);
    }
    return *this;
}

void CaptureService::Capture::end() {
    if (CaptureService* service = std::exchange(service_, nullptr)) service->finish(serial_);
}

void CaptureService::Capture::pauseMouse(bool paused) {
    if (service_) service_->pause(serial_, paused);
}

CaptureService::CaptureService(const HookTable& hooks)
    : hooks_(hooks),
      receiver_(std::make_unique<Receiver>(*this)),
      sink_(messageSinkFor(receiver_.get())),
      timedSink_(timedMessageSinkFor(receiver_.get())) {}

CaptureService::~CaptureService() { finish(serial_); }

void CaptureService::install() {
    if (hooks_.installtimedhook) {
        hooks_.installtimedhook(&timedSink_);
    } else if (hooks_.installhook) {
        hooks_.installhook(&sink_);
    }
}

CaptureService::Capture CaptureService::begin(Kind kind, CaptureTarget& target) {
    finish(serial_);
    flags_[0] = flags_[1] = flags_[2] = 0;
    flags_[static_cast<std::size_t>(kind)] = 1;
    kind_ = kind;
    target_ = &target;
    serial_ = ++lastSerial_;
    install();
    if (hooks_.enablehook) hooks_.enablehook(1);
    // The mouse part of a recording opens only when the pointer leaves the record button.
    if (kind == Kind::macroRecording && hooks_.mousewheelenable) hooks_.mousewheelenable(0);
    return Capture(this, serial_);
}

// A capture that another began in the meantime already ended; its late end must not stop the new.
void CaptureService::finish(std::uint64_t serial) {
    if (serial == 0 || serial != serial_) return;
    if (kind_ == Kind::macroRecording) {
        if (hooks_.removehook) hooks_.removehook();
        if (hooks_.removemousehook) hooks_.removemousehook();
        if (hooks_.enablemousehook) hooks_.enablemousehook(0);
        if (hooks_.enablehook) hooks_.enablehook(0);
        if (hooks_.mousewheelenable) hooks_.mousewheelenable(0);
    } else if (kind_ == Kind::buttonKey) {
        if (hooks_.enablehook) hooks_.enablehook(0);
        if (hooks_.removehook) hooks_.removehook();
    } else {
        if (hooks_.removehook) hooks_.removehook();
        if (hooks_.enablehook) hooks_.enablehook(0);
    }
    flags_[static_cast<std::size_t>(kind_)] = 0;
    target_ = nullptr;
    serial_ = 0;
}

void CaptureService::pause(std::uint64_t serial, bool paused) {
    if (serial != serial_ || kind_ != Kind::macroRecording) return;
    if (hooks_.enablemousehook) hooks_.enablemousehook(paused ? 0 : 1);
}

void CaptureService::deliver(const CapturedInput& input) {
    if (target_) target_->capturedInput(input);
}

}  // namespace qx4::gui
