// The hook library's words for captured input, turned into CapturedInput here and nowhere else. It
// posts UM_HOOK_INPUT with a Windows virtual-key code in wParam and the key's direction in lParam
// (0 pressed), or a Windows mouse message in wParam and, for an X button, its number in lParam.
#pragma once

#include <cstdint>
#include <optional>

#include "core/edit/captured_input.h"

namespace qx4::gui {

// Nothing for what no capture takes: the wheel, or an X button without a number the library
// gives (1 or 2).
std::optional<CapturedInput> capturedFromHook(std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t milliseconds);

}  // namespace qx4::gui
