#include "plugins/hook/xkb_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <iterator>

namespace qx4::gui {

namespace {

// The typing keys by row, from column 01, as a US keyboard has them. Letters and digits are their
// own virtual keys; the rest are VK_OEM_*.
struct TypingRow {
    std::string_view row;
    std::string_view keys;
};
constexpr TypingRow kTypingRows[] = {
    {"AE", "1234567890\xBD\xBB"},
    {"AD", "QWERTYUIOP\xDB\xDD"},
    {"AC", "ASDFGHJKL\xBA\xDE\xDC"},  // some keyboards name the backslash key AC12
    {"AB", "ZXCVBNM\xBC\xBE\xBF"},
};

struct NamedKey {
    std::string_view name;
    std::uint8_t virtualKey;
    std::uint8_t withoutNumLock = 0;
};
constexpr NamedKey kNamedKeys[] = {
    {"TLDE", 0xC0}, {"BKSL", 0xDC}, {"LSGT", 0xE2}, {"SPCE", 0x20}, {"RTRN", 0x0D}, {"TAB", 0x09},
    {"BKSP", 0x08}, {"ESC", 0x1B},  {"CAPS", 0x14},
    {"LFSH", 0xA0}, {"RTSH", 0xA1}, {"LCTL", 0xA2}, {"RCTL", 0xA3}, {"LALT", 0xA4}, {"RALT", 0xA5},
    {"LWIN", 0x5B}, {"RWIN", 0x5C}, {"COMP", 0x5D}, {"MENU", 0x5D},
    {"PRSC", 0x2C}, {"SCLK", 0x91}, {"PAUS", 0x13}, {"INS", 0x2D},  {"HOME", 0x24}, {"PGUP", 0x21},
    {"DELE", 0x2E}, {"END", 0x23},  {"PGDN", 0x22}, {"UP", 0x26},   {"LEFT", 0x25}, {"DOWN", 0x28},
    {"RGHT", 0x27},
    {"NMLK", 0x90}, {"KPDV", 0x6F}, {"KPMU", 0x6A}, {"KPSU", 0x6D}, {"KPAD", 0x6B}, {"KPEN", 0x6C},
    {"KP0", 0x60, 0x2D}, {"KP1", 0x61, 0x23}, {"KP2", 0x62, 0x28}, {"KP3", 0x63, 0x22},
    {"KP4", 0x64, 0x25}, {"KP5", 0x65, 0x0C}, {"KP6", 0x66, 0x27}, {"KP7", 0x67, 0x24},
    {"KP8", 0x68, 0x26}, {"KP9", 0x69, 0x21}, {"KPDL", 0x6E, 0x2E},
    {"MUTE", 0xAD}, {"VOL-", 0xAE}, {"VOL+", 0xAF},
};

constexpr std::uint8_t kVirtualKeyF1 = 0x70;
constexpr int kFunctionKeys = 24;

struct KeysymKey {
    std::uint32_t keysym;
    std::uint8_t virtualKey;
};
constexpr KeysymKey kMediaKeys[] = {
    {XF86XK_AudioMute, 0xAD}, {XF86XK_AudioLowerVolume, 0xAE}, {XF86XK_AudioRaiseVolume, 0xAF},
    {XF86XK_AudioNext, 0xB0}, {XF86XK_AudioPrev, 0xB1},        {XF86XK_AudioStop, 0xB2},
    {XF86XK_AudioPlay, 0xB3}, {XF86XK_AudioPause, 0xB3},
};

// The two-digit column of a name such as "AD07" or "FK12"; 0 when it has none.
int column(std::string_view name) {
    if (name.size() != 4 || name[2] < '0' || name[2] > '9' || name[3] < '0' || name[3] > '9') return 0;
    return (name[2] - '0') * 10 + (name[3] - '0');
}

}  // namespace

PlacedKey placedKeyForName(std::string_view name) {
    const int col = column(name);
    for (const auto& row : kTypingRows) {
        if (col >= 1 && static_cast<std::size_t>(col) <= row.keys.size() && name.starts_with(row.row)) {
            const auto key = static_cast<std::uint8_t>(row.keys[static_cast<std::size_t>(col - 1)]);
            return {key, key};
        }
    }
    if (col >= 1 && col <= kFunctionKeys && name.starts_with("FK")) {
        const auto key = static_cast<std::uint8_t>(kVirtualKeyF1 + col - 1);
        return {key, key};
    }
    const auto named = std::find_if(std::begin(kNamedKeys), std::end(kNamedKeys),
                                    [name](const NamedKey& k) { return k.name == name; });
    if (named == std::end(kNamedKeys)) return {};
    return {named->virtualKey, named->withoutNumLock ? named->withoutNumLock : named->virtualKey};
}

std::uint8_t virtualKeyForKeysym(std::uint32_t keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<std::uint8_t>('A' + (keysym - XK_a));
    if ((keysym >= XK_A && keysym <= XK_Z) || (keysym >= XK_0 && keysym <= XK_9)) {
        return static_cast<std::uint8_t>(keysym);
    }
    if (keysym >= XK_F1 && keysym < XK_F1 + kFunctionKeys) {
        return static_cast<std::uint8_t>(kVirtualKeyF1 + (keysym - XK_F1));
    }
    const auto media = std::find_if(std::begin(kMediaKeys), std::end(kMediaKeys),
                                    [keysym](const KeysymKey& k) { return k.keysym == keysym; });
    return media == std::end(kMediaKeys) ? 0 : media->virtualKey;
}

}  // namespace qx4::gui
