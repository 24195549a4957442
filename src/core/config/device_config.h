// The whole configuration of the mouse as one fixed-size record. The data file is a raw image of
// DeviceConfig and a profile file a raw image of one ProfileSettings block, so every field keeps
// its byte offset; the static_asserts below are the authority on the layout.
//
// Several fields have no known meaning. They keep their offsets and defaults and travel unchanged
// through every load, save and copy, so that stored files and the reports stay as they were; the
// comments beside them say what little is known.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace qx4 {

static_assert(std::endian::native == std::endian::little,
              "records are read and written as raw little-endian images");

inline constexpr int kProfileCount = 5;
inline constexpr int kDpiLevelCount = 8;
inline constexpr int kButtonCount = 24;       // stored, compared and sent
inline constexpr int kShownButtonCount = 12;  // shown and edited by the button page
inline constexpr int kMacroActionCapacity = 46;

// One step of a macro: a key or mouse-button code, press (1) or release (other), and the pause
// after it in milliseconds.
struct MacroAction {
    std::uint8_t code;
    std::uint8_t kind;
    std::uint16_t delay;
};
static_assert(sizeof(MacroAction) == 4);
static_assert(offsetof(MacroAction, code) == 0);
static_assert(offsetof(MacroAction, kind) == 1);
static_assert(offsetof(MacroAction, delay) == 2);

inline constexpr std::uint8_t kMacroActionPress = 1;
inline constexpr std::uint8_t kMacroActionRelease = 2;

using MacroName = std::array<char16_t, 24>;  // 23 UTF-16 units and a terminating zero

struct ButtonBinding {
    std::uint8_t buttonIndex;  // its position by the defaults, 0 after a wipe; nothing reads it
    std::uint8_t functionCode;
    std::uint8_t functionGroup;
    std::uint8_t keyCode;
    std::array<std::uint8_t, 3> unused4;  // never used
    std::uint8_t modifierMask;
    std::uint16_t spareWord;  // meaning unknown: 562 by the defaults, read by nothing
    std::array<std::uint8_t, 2> padding10;
    std::int32_t macroRepeatMode;
    MacroName macroName;
    std::int32_t macroLoopCount;
    std::uint16_t macroActionCount;
    std::array<std::uint8_t, 1002> unused70;  // never used
    std::int32_t macroIndex;
    std::int32_t spareIndex;  // meaning unknown: -1 by the defaults, read by nothing
    std::uint8_t macroParam;  // meaning unknown: sent three times in the macro report, set by no page
    std::array<std::uint8_t, 3> padding1081;
    std::array<MacroAction, kMacroActionCapacity> macroActions;
};
static_assert(sizeof(ButtonBinding) == 1268);
static_assert(offsetof(ButtonBinding, buttonIndex) == 0);
static_assert(offsetof(ButtonBinding, functionCode) == 1);
static_assert(offsetof(ButtonBinding, functionGroup) == 2);
static_assert(offsetof(ButtonBinding, keyCode) == 3);
static_assert(offsetof(ButtonBinding, modifierMask) == 7);
static_assert(offsetof(ButtonBinding, spareWord) == 8);
static_assert(offsetof(ButtonBinding, macroRepeatMode) == 12);
static_assert(offsetof(ButtonBinding, macroName) == 16);
static_assert(offsetof(ButtonBinding, macroLoopCount) == 64);
static_assert(offsetof(ButtonBinding, macroActionCount) == 68);
static_assert(offsetof(ButtonBinding, macroIndex) == 1072);
static_assert(offsetof(ButtonBinding, spareIndex) == 1076);
static_assert(offsetof(ButtonBinding, macroParam) == 1080);
static_assert(offsetof(ButtonBinding, macroActions) == 1084);

// Colours are stored as 0x00BBGGRR: red in the lowest byte.
using StoredColor = std::uint32_t;

struct ProfileSettings {
    std::array<std::uint8_t, 200> reservedHead;  // reserved: never set, not even by the defaults
    // Meaning unknown, down to spareValue4: the defaults empty the two texts and write the values
    // after them (420, 3, 0, 6 and 0, in this order); nothing reads them.
    std::array<char16_t, 500> spareText1;
    std::array<char16_t, 500> spareText2;
    std::int32_t spareValue1;
    std::int32_t spareValue2;
    std::uint8_t spareFlag;
    std::array<std::uint8_t, 3> padding2209;
    std::int32_t spareValue3;
    std::array<std::uint8_t, 8> gap2216;  // never set
    std::int32_t spareValue4;
    // Meaning unknown: the low bytes go out as bytes 3 and 4 of the DPI report; no page edits them.
    std::int32_t dpiParamA;
    std::int32_t dpiParamB;
    std::array<std::uint8_t, 8> gap2236;  // never set
    std::array<std::int32_t, kDpiLevelCount> dpiValuesX;  // DPI in hundreds
    // Meaning unknown: a second set of level values, compared but never edited nor sent.
    std::array<std::int32_t, kDpiLevelCount> dpiValuesY;
    std::array<std::int32_t, kDpiLevelCount> dpiLevelEnabled;
    std::int32_t lightBrightness;
    std::int32_t lightBreathSpeed;
    std::int32_t lightExtra;  // meaning unknown: sent as byte 9 of the light report, set by no page
    std::int32_t dpiLevel;
    std::int32_t pollingRateIndex;
    std::int32_t lightMode;
    std::uint8_t lightColorUntouched;  // cleared when the user picks a colour; nothing reads it
    std::array<std::uint8_t, 3> padding2365;
    std::int32_t lightDirection;  // compared, but no report carries it
    StoredColor lightColor;
    std::array<StoredColor, kDpiLevelCount> dpiColors;
    std::array<StoredColor, kDpiLevelCount> spareColors;  // meaning unknown: set by the defaults only
    std::array<ButtonBinding, kButtonCount> buttons;
};
static_assert(sizeof(ProfileSettings) == 32872);
static_assert(offsetof(ProfileSettings, reservedHead) == 0);
static_assert(offsetof(ProfileSettings, spareText1) == 200);
static_assert(offsetof(ProfileSettings, spareText2) == 1200);
static_assert(offsetof(ProfileSettings, spareValue1) == 2200);
static_assert(offsetof(ProfileSettings, spareValue2) == 2204);
static_assert(offsetof(ProfileSettings, spareFlag) == 2208);
static_assert(offsetof(ProfileSettings, spareValue3) == 2212);
static_assert(offsetof(ProfileSettings, spareValue4) == 2224);
static_assert(offsetof(ProfileSettings, dpiParamA) == 2228);
static_assert(offsetof(ProfileSettings, dpiParamB) == 2232);
static_assert(offsetof(ProfileSettings, dpiValuesX) == 2244);
static_assert(offsetof(ProfileSettings, dpiValuesY) == 2276);
static_assert(offsetof(ProfileSettings, dpiLevelEnabled) == 2308);
static_assert(offsetof(ProfileSettings, lightBrightness) == 2340);
static_assert(offsetof(ProfileSettings, lightBreathSpeed) == 2344);
static_assert(offsetof(ProfileSettings, lightExtra) == 2348);
static_assert(offsetof(ProfileSettings, dpiLevel) == 2352);
static_assert(offsetof(ProfileSettings, pollingRateIndex) == 2356);
static_assert(offsetof(ProfileSettings, lightMode) == 2360);
static_assert(offsetof(ProfileSettings, lightColorUntouched) == 2364);
static_assert(offsetof(ProfileSettings, lightDirection) == 2368);
static_assert(offsetof(ProfileSettings, lightColor) == 2372);
static_assert(offsetof(ProfileSettings, dpiColors) == 2376);
static_assert(offsetof(ProfileSettings, spareColors) == 2408);
static_assert(offsetof(ProfileSettings, buttons) == 2440);

struct DeviceConfig {
    std::int32_t activeProfile;
    std::array<ProfileSettings, kProfileCount> profiles;

    ProfileSettings& active() { return profiles[static_cast<std::size_t>(activeProfile)]; }
    const ProfileSettings& active() const { return profiles[static_cast<std::size_t>(activeProfile)]; }
};
static_assert(sizeof(DeviceConfig) == 164364);
static_assert(offsetof(DeviceConfig, activeProfile) == 0);
static_assert(offsetof(DeviceConfig, profiles) == 4);

// Records are copied and written as raw bytes; nothing may hide behind a constructor.
static_assert(std::is_trivially_copyable_v<DeviceConfig> && std::is_standard_layout_v<DeviceConfig>);
static_assert(std::is_trivially_copyable_v<ProfileSettings> && std::is_standard_layout_v<ProfileSettings>);
static_assert(std::is_trivially_copyable_v<ButtonBinding> && std::is_standard_layout_v<ButtonBinding>);

}  // namespace qx4
