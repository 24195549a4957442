#include "gui/pages/color_forms.h"

#include <QColor>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace qx4::gui {

namespace {
const char* const kSwatchColorProperty = "swatchColor";
constexpr int kComponentMax = 255;
}  // namespace

ColorComponentEntry parseColorComponent(const QString& text) {
    int position = 0;
    while (position < text.size() && text[position].isSpace()) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == u'-' || text[position] == u'+')) {
        negative = text[position] == u'-';
        ++position;
    }
    // Digits beyond the limit cannot bring the value back into range, so stop counting there.
    int magnitude = 0;
    for (; position < text.size() && text[position] >= u'0' && text[position] <= u'9'; ++position) {
        magnitude = std::min(magnitude * 10 + (text[position].unicode() - u'0'), kComponentMax + 1);
    }
    const int value = negative ? -magnitude : magnitude;
    if (value > kComponentMax) return {kComponentMax, true};
    if (value < 0) return {0, true};
    return {value, false};
}

void setSwatchColor(QWidget* swatch, QRgb color) {
    if (!swatch) return;
    swatch->setProperty(kSwatchColorProperty, QVariant::fromValue<uint>(color));
    swatch->setStyleSheet(QStringLiteral("background-color: %1;")
                              .arg(QColor::fromRgb(color).name(QColor::HexRgb)));
}

QRgb swatchColor(const QWidget* swatch) {
    if (!swatch) return 0;
    return swatch->property(kSwatchColorProperty).value<uint>();
}

}  // namespace qx4::gui
