// The numbers of the messages that reach the program from outside its own code: its driver
// libraries and its hook library post them through a qx4_message_sink. They keep their historical
// numbers, which logs and protocol notes quote. (A second start's request travels as a line of
// its own, core/instance/instance_messages.h.)
#pragma once

#include <cstdint>

namespace qx4 {

inline constexpr std::uint32_t UM_HOOK_INPUT = 1034;
inline constexpr std::uint32_t UM_RECEIVER_DATA = 1329;
inline constexpr std::uint32_t UM_RECEIVER_ARRIVAL = 1330;
inline constexpr std::uint32_t UM_CABLE_DATA = 1331;
inline constexpr std::uint32_t UM_CABLE_ARRIVAL = 1332;

// Windows mouse messages, as the hook library reports captured buttons and the wheel.
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr std::uint32_t WM_XBUTTONDOWN = 0x020B;
inline constexpr std::uint32_t WM_XBUTTONUP = 0x020C;

}  // namespace qx4
