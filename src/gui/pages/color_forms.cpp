#include "gui/pages/color_forms.h"

#include <QColor>
#include <QHBoxLayout>
#include <QPainter>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace qx4::gui {

namespace {
const char* const kSwatchColorProperty = "swatchColor";
constexpr int kComponentMax = 255;
// Inside the swatch's border, which the application's style sheet draws.
constexpr int kFillInset = 2;
constexpr qreal kFillRadius = 2.0;
const char* const kFillName = "swatch_fill";

// The colour a swatch shows, painted inside it: the skin stays one sheet, with no sheet per swatch.
class SwatchFill final : public QWidget {
public:
    explicit SwatchFill(QWidget* swatch) : QWidget(swatch) {
        setObjectName(QString::fromLatin1(kFillName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* layout = new QHBoxLayout(swatch);
        layout->setContentsMargins(kFillInset, kFillInset, kFillInset, kFillInset);
        layout->addWidget(this);
    }
    void setColor(QRgb color) {
        color_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgb(color_));
        painter.drawRoundedRect(rect(), kFillRadius, kFillRadius);
    }

private:
    QRgb color_ = 0;
};
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
    auto* fill = static_cast<SwatchFill*>(
        swatch->findChild<QWidget*>(QString::fromLatin1(kFillName), Qt::FindDirectChildrenOnly));
    if (!fill) fill = new SwatchFill(swatch);
    fill->setColor(color);
}

QRgb swatchColor(const QWidget* swatch) {
    if (!swatch) return 0;
    return swatch->property(kSwatchColorProperty).value<uint>();
}

}  // namespace qx4::gui
