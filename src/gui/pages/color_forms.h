// What every colour control of the pages shares. The record stores 0x00BBGGRR and Qt draws
// 0xAARRGGBB; the conversions between the two are storedToArgb and argbToStored
// (core/config/stored_color.h), used everywhere a colour crosses between record and screen.
#pragma once

#include <QRgb>
#include <QString>

#include <array>
#include <cstdint>

#include "core/config/stored_color.h"

class QWidget;

namespace qx4::gui {

// The sixteen preset colours of the colour editor, in button order.
inline constexpr std::array<QRgb, 16> kPresetColors{
    0xFF00FFFF, 0xFF6CFF00, 0xFF7F00FF, 0xFF007FFF, 0xFF0000FF, 0xFF7FFF00, 0xFFFF5400, 0xFFFF7F00,
    0xFFFFB400, 0xFFFFFF00, 0xFFFF0000, 0xFFFF00FF, 0xFF1EB40A, 0xFF48B1FF, 0xFFFF48B0, 0xFFFFFFFF};

// A red, green or blue component as typed: leading decimal digits (text that starts with no number
// counts as 0), limited to 0-255. `corrected` is set when the limit changed the value, so the edit
// should be rewritten to show it.
struct ColorComponentEntry {
    int value = 0;
    bool corrected = false;
};
ColorComponentEntry parseColorComponent(const QString& text);

// Swatches and previews show their colour inside their border. The colour is also kept in the
// property "swatchColor" (a QRgb) for whoever needs to read it back.
void setSwatchColor(QWidget* swatch, QRgb color);
QRgb swatchColor(const QWidget* swatch);

}  // namespace qx4::gui
