// Window messages keep their historical numbers: they travel to the program from its driver
// libraries, its hook library, its apply worker's thread and a second start of the program, and
// logs and protocol notes quote them. The program's own objects on the UI thread call each other.
#pragma once

#include <cstdint>

namespace qx4 {

inline constexpr std::uint32_t UM_HOOK_INPUT = 1034;
inline constexpr std::uint32_t UM_SHOW_MAIN = 1037;
inline constexpr std::uint32_t UM_RECEIVER_DATA = 1329;
inline constexpr std::uint32_t UM_RECEIVER_ARRIVAL = 1330;
inline constexpr std::uint32_t UM_CABLE_DATA = 1331;
inline constexpr std::uint32_t UM_CABLE_ARRIVAL = 1332;
// Sent by the apply worker so that the UI thread alone touches widgets: UM_APPLY_STARTED (wParam
// reports to write, lParam 1 when every button report goes), UM_APPLY_PROGRESS after each report
// (wParam reports written so far, lParam 0 when it arrived, else which section did not) and
// UM_APPLY_FINISHED (wParam reports sent, lParam reports failed).
inline constexpr std::uint32_t UM_APPLY_STARTED = 1334;
inline constexpr std::uint32_t UM_APPLY_FINISHED = 1335;
// An apply request was dropped because no link is present (wParam 0) or the mouse sleeps (1).
inline constexpr std::uint32_t UM_APPLY_SKIPPED = 1336;
inline constexpr std::uint32_t UM_APPLY_PROGRESS = 1337;

// Windows mouse-button messages, as the hook library reports captured buttons.
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr std::uint32_t WM_XBUTTONDOWN = 0x020B;
inline constexpr std::uint32_t WM_XBUTTONUP = 0x020C;

}  // namespace qx4
