// Window messages keep their historical numbers: they travel between the program, its driver
// libraries and its hook library, and logs and protocol notes quote them.
#pragma once

#include <cstdint>

namespace qx4 {

inline constexpr std::uint32_t WM_USER = 1024;

inline constexpr std::uint32_t UM_TRAY_NOTIFY = 1025;
inline constexpr std::uint32_t UM_MENU_COMMAND = 1027;
inline constexpr std::uint32_t UM_HOOK_INPUT = 1034;
inline constexpr std::uint32_t UM_SHOW_MAIN = 1037;
inline constexpr std::uint32_t UM_CONNECTION_CHANGED = 1128;
inline constexpr std::uint32_t UM_DPI_CHANGED = 1129;
inline constexpr std::uint32_t UM_PROFILE_CHANGED = 1130;
inline constexpr std::uint32_t UM_BUTTON_CLICKED = 1261;
inline constexpr std::uint32_t UM_RECEIVER_DATA = 1329;
inline constexpr std::uint32_t UM_RECEIVER_ARRIVAL = 1330;
inline constexpr std::uint32_t UM_CABLE_DATA = 1331;
inline constexpr std::uint32_t UM_CABLE_ARRIVAL = 1332;
inline constexpr std::uint32_t UM_APPLY_REQUEST = 1333;
// Sent by the apply worker so that the UI thread alone touches widgets: UM_APPLY_STARTED (wParam
// reports to write, lParam 1 when every button report goes), UM_APPLY_PROGRESS after each report
// (wParam reports written so far, lParam 0 when it arrived, else which section did not) and
// UM_APPLY_FINISHED (wParam reports sent, lParam reports failed).
inline constexpr std::uint32_t UM_APPLY_STARTED = 1334;
inline constexpr std::uint32_t UM_APPLY_FINISHED = 1335;
// An apply request was dropped because no link is present (wParam 0) or the mouse sleeps (1).
inline constexpr std::uint32_t UM_APPLY_SKIPPED = 1336;
inline constexpr std::uint32_t UM_APPLY_PROGRESS = 1337;

// The apply worker's own queue.
inline constexpr std::uint32_t TM_APPLY = 1648;

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
