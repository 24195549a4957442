// The one way tests make records. A record is large, so each lives on the heap, zeroed first so
// that records compare byte by byte. The sample has something of everything the reports carry;
// tests/data/device/full_download_sample.hex holds its full download, written out independently of
// the encoder.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/vocab/function_wire_table.h"

namespace qx4::test {

// Zeroed, then the defaults unless told otherwise.
inline std::unique_ptr<DeviceConfig> newRecord(bool defaults = true) {
    auto record = std::make_unique<DeviceConfig>();
    std::memset(record.get(), 0, sizeof(DeviceConfig));
    if (defaults) applyDefaults(*record);
    return record;
}

inline std::unique_ptr<DeviceConfig> defaultRecord() { return newRecord(); }

inline std::unique_ptr<DeviceConfig> copyOf(const DeviceConfig& record) { return std::make_unique<DeviceConfig>(record); }

// What the data folder's configuration file holds now (read only: nothing is repaired or kept).
inline std::unique_ptr<DeviceConfig> savedRecord(std::size_t macroCount = 0) {
    auto record = newRecord(false);
    readConfig(*record, macroCount);
    return record;
}

inline void makeSampleRecord(DeviceConfig& record) {
    applyDefaults(record);
    record.activeProfile = 1;
    ProfileSettings& second = record.profiles[1];
    second.dpiValuesX = {60, 4, 100, 50, 51, 0, -3, 20};  // double range above 50
    second.dpiValuesY = {1, 1, 1, 1, 1, 1, 1, 1};         // never sent
    second.dpiLevelEnabled = {1, 0, 1, 2, 1, 0, -1, 1};  // only exactly 1 enables
    second.dpiLevel = 7;
    second.dpiParamA = 0x1234;
    second.dpiParamB = -1;
    second.dpiColors[0] = 0x00336699;
    second.dpiColors[7] = 0xAA010203;  // the top byte is never sent
    second.lightColor = 0x00C0B0A0;
    second.lightExtra = 0x105;
    second.lightDirection = 0;  // on no report
    second.lightBreathSpeed = 10;
    // Brightness is sent for modes 1 and 9 only.
    const std::pair<std::int32_t, std::int32_t> modeAndBrightness[] = {{0, 4}, {1, 3}, {9, 5}, {2, 6}};
    const std::int32_t rateIndex[] = {0, 1, 256, -1};
    for (std::size_t k = 0; k < 4; ++k) {
        record.profiles[k].lightMode = modeAndBrightness[k].first;
        record.profiles[k].lightBrightness = modeAndBrightness[k].second;
        record.profiles[k].pollingRateIndex = rateIndex[k];
    }
    ButtonBinding& keys = record.profiles[2].buttons[1];
    keys.functionCode = kKeyboardFunctionCode;
    keys.modifierMask = 0x05;  // Ctrl + Alt
    keys.keyCode = 0x04;       // A
    record.profiles[2].buttons[5].functionCode = 33;  // copy: Ctrl+C whatever the binding holds
    record.profiles[2].buttons[5].modifierMask = 9;
    record.profiles[4].buttons[4].macroName[0] = u'x';  // a name alone is no macro

    // Macros in slots 1 and 2 (profile 1) and 3 (profile 3): long and zero delays; 46 actions
    // with more long delays than extra pairs and more pairs than fit; a count beyond what a
    // binding holds.
    ButtonBinding& first = record.profiles[0].buttons[1];
    first.functionCode = kMacroFunctionCode;
    first.macroRepeatMode = 0x102;
    first.macroParam = 0x11;
    first.macroLoopCount = 0x203;
    first.macroActionCount = 4;
    first.macroActions[0] = {0x04, kMacroActionPress, 1000};
    first.macroActions[1] = {0x04, kMacroActionRelease, 0};
    first.macroActions[2] = {0x05, kMacroActionPress, 65535};
    first.macroActions[3] = {0x05, kMacroActionRelease, 254};
    ButtonBinding& full = record.profiles[0].buttons[23];
    full.functionCode = kMacroFunctionCode;
    full.modifierMask = 9;  // not sent for a macro
    full.macroActionCount = kMacroActionCapacity;
    for (std::size_t i = 0; i < kMacroActionCapacity; ++i)
        full.macroActions[i] = {static_cast<std::uint8_t>(0x04 + i), kMacroActionPress, static_cast<std::uint16_t>(i % 2 ? 10 : 400)};
    ButtonBinding& third = record.profiles[2].buttons[0];
    third.functionCode = kMacroFunctionCode;
    third.macroLoopCount = -1;
    third.macroActionCount = 0xFFFF;
    const std::uint16_t delays[] = {254, 255, 1, 2, 0, 9};
    for (std::uint8_t i = 0; i < 6; ++i) third.macroActions[i] = {static_cast<std::uint8_t>(6 + i), static_cast<std::uint8_t>(1 + i % 2), delays[i]};
}

inline std::unique_ptr<DeviceConfig> sampleRecord() {
    auto record = newRecord(false);
    makeSampleRecord(*record);
    return record;
}

}  // namespace qx4::test
