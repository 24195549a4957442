// What the mouse tells the program: a 16-bit code and a 16-bit value, which a driver library posts
// as its data message. The virtual mouse sends these and the device link reads them.
#pragma once

#include <cstdint>

namespace qx4 {

inline constexpr std::uint16_t kNotifyDpiLevel = 0x1000;     // value: the new level, 1-8
inline constexpr std::uint16_t kNotifyReportRate = 0x2000;   // value: the report interval in ms
inline constexpr std::uint16_t kNotifySleepStatus = 0x4000;  // value: see sleepStatusValue
inline constexpr std::uint16_t kNotifyBattery = 0x6000;      // value: the battery level, 1-10
inline constexpr std::uint16_t kNotifyLightMode = 0x7000;    // value: the lighting mode
inline constexpr std::uint16_t kNotifyProfile = 0x8000;      // value: the new profile, 1-5

// The codes the mouse may use; anything else on its interface is other traffic.
constexpr bool isMouseNotification(std::uint32_t code) { return code >= 0x1000 && code <= 0x9000; }

// The program's own code for an arrival message, handled as if it were a notification.
inline constexpr std::uint16_t kNotifyPresence = 0x7F00;
inline constexpr std::uint16_t kPresenceArrived = 1;
inline constexpr std::uint16_t kPresenceRemoved = 2;

// The sleep status: the low byte is 0 while the mouse sleeps (it sends 1 awake), the high byte
// is its battery level.
constexpr std::uint16_t sleepStatusValue(bool asleep, int battery) {
    return static_cast<std::uint16_t>(((battery & 0xFF) << 8) | (asleep ? 0 : 1));
}
constexpr bool sleepStatusAsleep(std::uint32_t value) { return (value & 0xFFu) == 0; }
constexpr int sleepStatusBattery(std::uint32_t value) { return static_cast<int>((value >> 8) & 0xFFu); }

// Status word of a data message: (wParam << 16) XOR (low 16 bits of lParam); the code is its high
// half, the value its low half.
constexpr std::uint32_t combineStatusWord(std::uintptr_t wParam, std::intptr_t lParam) {
    return static_cast<std::uint32_t>(wParam << 16) ^ (static_cast<std::uint32_t>(lParam) & 0xFFFFu);
}

}  // namespace qx4
