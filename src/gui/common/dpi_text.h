// The DPI a stored level value gives, as the window writes it. The DPI page's field, the popup
// and the desktop's notice all say this number, so they never disagree about a level.
#pragma once

#include <QString>

#include <cstdint>

#include "core/device/dpi_steps.h"

namespace qx4::gui {

inline QString dpiNumberText(std::int32_t storedValue) { return QString::number(effectiveDpi(storedValue)); }

}  // namespace qx4::gui
