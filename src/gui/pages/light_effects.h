// The lighting effects as the page shows them: which settings rows each effect uses, and what the
// mouse's lights look like at a moment of the effect, for the preview to paint.
#pragma once

#include <QBrush>
#include <QPointF>
#include <QRgb>

namespace qx4::gui {

// Which optional rows an effect uses; effects beyond the table use none.
struct LightRows {
    bool brightness = false;
    bool breathing = false;  // the speed row
    bool color = false;
    bool direction = false;
};
LightRows lightRowsForMode(int lightMode);

// A profile's lighting fields as the preview plays them.
struct LightEffect {
    int mode = 0;
    QRgb color = 0xFFFF0000;
    int brightness = 8;  // 1-8
    int speed = 4;       // 1-8, higher is faster
    int direction = 0;   // 0 backward, 1 forward
    bool operator==(const LightEffect&) const = default;
};

// False for effects that stand still (off, steady, rainbow): they need no frames after the first.
bool effectMoves(int lightMode);

// Where the lights sit: the brush is laid over a 300 x 200 picture of the mouse seen from above,
// front at the top, centred on kLightCentre.
inline constexpr QPointF kLightCentre{150.0, 100.0};
inline constexpr double kLightLength = 174.0;  // front to back of the mouse

// The lights at `seconds` into the effect; `lastClick` is when a click last lit up the reactive
// effect (seconds, negative for never). Qt::NoBrush when the lights are off.
QBrush lightAt(const LightEffect& effect, double seconds, double lastClick);

}  // namespace qx4::gui
