#include "plugins/hook/desktop_capture.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>

#include "core/abi/window_messages.h"
#include "plugins/hook/event_clock.h"
#include "plugins/hook/x_connection.h"
#include "plugins/hook/xkb_keys.h"

namespace qx4::gui {

namespace {

// The XInput opcode when the server offers version 2; nothing otherwise.
std::optional<int> xinput2Opcode(Display* display) {
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)) return std::nullopt;
    // From 2.1 on, raw events arrive also while another client holds a grab (an open menu).
    int major = 2;
    int minor = 1;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2) return std::nullopt;
    return opcode;
}

// The server's time now: the time of the notice of a change to a window of the caller's own.
std::optional<std::uint32_t> serverTime(const XConnection& connection) {
    Display* display = connection.display;
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    const Window window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, InputOnly,
                                        CopyFromParent, CWEventMask, &attributes);
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XSync(display, False);  // the notice comes before the reply
    XEvent event{};
    if (connection.lost || !XCheckWindowEvent(display, window, PropertyChangeMask, &event)) return std::nullopt;
    XDestroyWindow(display, window);
    return static_cast<std::uint32_t>(event.xproperty.time);
}

struct ButtonRow {
    unsigned number;  // X's: 1 left, 2 middle, 3 right, 8 back, 9 forward
    std::uint32_t down;
    std::uint32_t up;
    std::intptr_t xButton;
};
constexpr ButtonRow kButtons[] = {
    {1, WM_LBUTTONDOWN, WM_LBUTTONUP, 0}, {2, WM_MBUTTONDOWN, WM_MBUTTONUP, 0},
    {3, WM_RBUTTONDOWN, WM_RBUTTONUP, 0}, {8, WM_XBUTTONDOWN, WM_XBUTTONUP, 1},
    {9, WM_XBUTTONDOWN, WM_XBUTTONUP, 2},
};
constexpr unsigned kWheelAway = 4;
constexpr unsigned kWheelTowards = 5;

}  // namespace

class DesktopCapture::Reader {
public:
    explicit Reader(const CaptureGates& gates) : gates_(gates) {}
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool connect();
    void run() { thread_ = std::thread(&Reader::read, this); }

private:
    bool learnKeyboard();
    void read();
    void key(unsigned keycode, bool pressed, std::uint64_t moment);
    void button(unsigned number, bool pressed, std::uint64_t moment);
    std::uint8_t virtualKey(unsigned keycode);
    int repeatTimeout() const;
    void repeatIfDue();

    const CaptureGates& gates_;
    // Used by the thread that connects, then by the reader alone until it has been joined.
    XConnection connection_;
    int xinputOpcode_ = 0;
    std::array<PlacedKey, 256> keys_{};
    // The keys down. A tool that types (xdotool) may release a key twice; the server tells the
    // applications of one release only, and so does the reader.
    std::bitset<256> down_;
    unsigned numLockMask_ = 0;
    EventClock clock_;

    // The server does not send its auto-repeat as raw events; the reader repeats the held key
    // itself, as the server does: the last repeating key pressed, until it is released.
    struct AutoRepeat {
        bool enabled = false;
        std::bitset<256> keys;
        std::uint64_t delay = 0;  // milliseconds
        std::uint64_t interval = 0;
        unsigned heldKey = 0;  // 0 while no key repeats
        std::uint8_t virtualKey = 0;
        std::uint64_t due = 0;  // the moment of the next repeat
    } repeat_;

    int wake_ = -1;  // written to end the reader
    std::thread thread_;
};

// The thread is woken and joined before anything it reads goes: the wake descriptor below, the X
// connection after this body (a member).
DesktopCapture::Reader::~Reader() {
    if (thread_.joinable()) {
        eventfd_write(wake_, 1);
        thread_.join();
    }
    if (wake_ >= 0) ::close(wake_);
}

bool DesktopCapture::Reader::connect() {
    Display* display = connection_.display;
    if (!display) return false;
    const auto opcode = xinput2Opcode(display);
    if (!opcode || !learnKeyboard()) return false;
    xinputOpcode_ = *opcode;
    char keymap[32] = {};
    XQueryKeymap(display, keymap);
    if (connection_.lost) return false;
    for (std::size_t code = 0; code < down_.size(); ++code) down_[code] = (keymap[code / 8] >> (code % 8)) & 1;

    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease}) {
        XISetMask(mask, type);
    }
    XIEventMask events{XIAllMasterDevices, sizeof mask, mask};
    XISelectEvents(display, DefaultRootWindow(display), &events, 1);
    // Input made from now on is seen, and its moments count from here.
    const auto now = serverTime(connection_);
    if (!now) return false;
    clock_.stamp(*now, monotonicMilliseconds());
    wake_ = eventfd(0, EFD_CLOEXEC);
    return wake_ >= 0;
}

bool DesktopCapture::Reader::learnKeyboard() {
    Display* display = connection_.display;
    XkbDescPtr xkb = XkbGetMap(display, 0, XkbUseCoreKbd);
    if (!xkb) return false;
    const bool named = XkbGetNames(display, XkbKeyNamesMask, xkb) == Success && xkb->names && xkb->names->keys;
    const bool controls =
        XkbGetControls(display, XkbRepeatKeysMask | XkbPerKeyRepeatMask | XkbControlsEnabledMask, xkb) == Success &&
        xkb->ctrls;
    if (connection_.lost) {
        XkbFreeKeyboard(xkb, 0, True);
        return false;
    }
    for (unsigned code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        PlacedKey placed;
        if (named) {
            const char* name = xkb->names->keys[code].name;
            placed = placedKeyForName({name, ::strnlen(name, XkbKeyNameLength)});
        }
        if (!placed.virtualKey) {
            const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0);
            const std::uint8_t byKeysym = virtualKeyForKeysym(static_cast<std::uint32_t>(keysym));
            placed = {byKeysym, byKeysym};
        }
        keys_[code] = placed;
        if (controls) repeat_.keys[code] = (xkb->ctrls->per_key_repeat[code / 8] >> (code % 8)) & 1;
    }
    if (controls) {
        repeat_.enabled = (xkb->ctrls->enabled_ctrls & XkbRepeatKeysMask) && xkb->ctrls->repeat_interval > 0;
        repeat_.delay = xkb->ctrls->repeat_delay;
        repeat_.interval = xkb->ctrls->repeat_interval;
    }
    numLockMask_ = XkbKeysymToModifiers(display, XK_Num_Lock);
    XkbFreeKeyboard(xkb, 0, True);
    return !connection_.lost;
}

void DesktopCapture::Reader::read() {
    Display* display = connection_.display;
    pollfd watched[] = {{ConnectionNumber(display), POLLIN | POLLRDHUP, 0}, {wake_, POLLIN, 0}};
    while (true) {
        while (!connection_.lost && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            XGenericEventCookie& cookie = event.xcookie;
            if (cookie.type != GenericEvent || cookie.extension != xinputOpcode_ || !XGetEventData(display, &cookie)) {
                continue;
            }
            const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
            const auto detail = static_cast<unsigned>(raw->detail);
            const std::uint64_t moment = clock_.stamp(static_cast<std::uint32_t>(raw->time), monotonicMilliseconds());
            const int type = cookie.evtype;
            XFreeEventData(display, &cookie);
            if (type == XI_RawKeyPress || type == XI_RawKeyRelease) key(detail, type == XI_RawKeyPress, moment);
            if (type == XI_RawButtonPress || type == XI_RawButtonRelease) {
                button(detail, type == XI_RawButtonPress, moment);
            }
        }
        if (connection_.lost) return;
        repeatIfDue();
        if (::poll(watched, 2, repeatTimeout()) < 0 && errno != EINTR) return;
        if (watched[1].revents != 0) return;
        if ((watched[0].revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0) {
            connection_.lost = true;
            return;
        }
    }
}

void DesktopCapture::Reader::key(unsigned keycode, bool pressed, std::uint64_t moment) {
    if (keycode >= keys_.size() || (!pressed && !down_[keycode])) return;
    down_[keycode] = pressed;
    const std::uint8_t virtualKey = this->virtualKey(keycode);
    if (pressed && repeat_.enabled && repeat_.keys[keycode]) {
        repeat_.heldKey = keycode;
        repeat_.virtualKey = virtualKey;
        repeat_.due = moment + repeat_.delay;
    } else if (!pressed && keycode == repeat_.heldKey) {
        repeat_.heldKey = 0;
    }
    if (virtualKey && gates_.keys) gates_.post(UM_HOOK_INPUT, virtualKey, pressed ? 0 : 1, moment);
}

// The keypad's digits and point give navigation keys while Num Lock is off.
std::uint8_t DesktopCapture::Reader::virtualKey(unsigned keycode) {
    const PlacedKey& placed = keys_[keycode];
    if (placed.withoutNumLock == placed.virtualKey) return placed.virtualKey;
    XkbStateRec state{};
    const bool numLock = connection_.lost || XkbGetState(connection_.display, XkbUseCoreKbd, &state) != Success ||
                         (state.locked_mods & numLockMask_) != 0;
    return numLock ? placed.virtualKey : placed.withoutNumLock;
}

void DesktopCapture::Reader::button(unsigned number, bool pressed, std::uint64_t moment) {
    if (number == kWheelAway || number == kWheelTowards) {
        // A notch is a press and a release of one button; the press stands for the turn.
        if (pressed && gates_.wheel) {
            gates_.post(UM_HOOK_INPUT, WM_MOUSEWHEEL, number == kWheelAway ? kWheelNotch : -kWheelNotch, moment);
        }
        return;
    }
    if (!gates_.buttons) return;
    for (const auto& row : kButtons) {
        if (row.number == number) gates_.post(UM_HOOK_INPUT, pressed ? row.down : row.up, row.xButton, moment);
    }
}

int DesktopCapture::Reader::repeatTimeout() const {
    if (!repeat_.heldKey) return -1;
    const std::uint64_t now = monotonicMilliseconds();
    return repeat_.due <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(repeat_.due - now, INT_MAX));
}

// A repeat is stamped with the moment it was due, as the server would have sent it.
void DesktopCapture::Reader::repeatIfDue() {
    const std::uint64_t now = monotonicMilliseconds();
    if (!repeat_.heldKey || now < repeat_.due) return;
    if (repeat_.virtualKey && gates_.keys) {
        gates_.post(UM_HOOK_INPUT, repeat_.virtualKey, 0, clock_.notBefore(repeat_.due));
    }
    repeat_.due += repeat_.interval;
    // A reader held up for long (a suspended machine) goes on with one repeat, not a burst.
    if (repeat_.due < now) repeat_.due = now + repeat_.interval;
}

bool DesktopCapture::available() {
    const XConnection connection;
    return connection.display && xinput2Opcode(connection.display);
}

std::unique_ptr<DesktopCapture> DesktopCapture::start(const CaptureGates& gates) {
    auto reader = std::make_unique<Reader>(gates);
    if (!reader->connect()) return nullptr;
    reader->run();
    return std::unique_ptr<DesktopCapture>(new DesktopCapture(std::move(reader)));
}

DesktopCapture::DesktopCapture(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}

DesktopCapture::~DesktopCapture() = default;

}  // namespace qx4::gui
