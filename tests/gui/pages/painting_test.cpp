// The controls that paint themselves, and the colour editor made of them, against pictures of them
// looked at by eye once (tests/data/paint). Only states that stand still are drawn, so a picture
// holds exactly.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

#include "gui/common/elided_text.h"
#include "gui/pages/apply_ring.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/effect_preview.h"
#include "gui/pages/light_effects.h"
#include "gui/pages/mouse_picture.h"
#include "tests/support/page_test_support.h"

namespace qx4::gui {
namespace {

std::unique_ptr<QWidget> sized(std::unique_ptr<QWidget> widget, QSize size) {
    widget->resize(size);
    return widget;
}

std::unique_ptr<QWidget> palette(QRgb color, QSize size) {
    auto widget = std::make_unique<ColorPalette>();
    widget->setSelectColor(color);
    return sized(std::move(widget), size);
}

std::unique_ptr<QWidget> preview(int mode) {
    auto widget = std::make_unique<EffectPreview>();
    widget->setEffect({.mode = mode, .color = 0xFF20C040, .brightness = 5});
    const QSize size = widget->sizeHint();
    return sized(std::move(widget), size);
}

// The mouse with the indicators the page lays over it, the third button lit.
std::unique_ptr<QWidget> mouseWithThirdLit() {
    auto picture = std::make_unique<MousePicture>();
    for (int i = 0; i < kShownButtonCount; ++i) {
        auto* indicator = new QLabel(picture.get());
        indicator->setVisible(i == 2);
        picture->setIndicator(i, indicator);
    }
    return sized(std::move(picture), {300, 200});
}

TEST(Painting, EachPaintedControlLooksAsItsPicture) {
    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> controls[] = {
        {"palette_blue", [] { return palette(0xFF3080C0, {180, 120}); }},
        {"palette_grey_small", [] { return palette(0xFF808080, {90, 60}); }},
        {"apply_ring", [] { return sized(std::make_unique<ApplyRing>(), {24, 24}); }},
        {"swatch", [] {
             auto swatch = sized(std::make_unique<QWidget>(), {40, 20});
             setSwatchColor(swatch.get(), 0xFFE07010);
             return swatch;
         }},
        {"preview_off", [] { return preview(0); }},
        {"preview_steady", [] { return preview(1); }},
        {"preview_rainbow", [] { return preview(5); }},
        {"mouse_third_lit", mouseWithThirdLit},
        {"color_editor", [] {
             auto editor = std::make_unique<ColorEditor>();
             editor->setColor(0xFF3080C0);
             const QSize size = editor->sizeHint();
             return sized(std::move(editor), size);
         }},
    };
    for (const auto& [name, make] : controls) {
        const std::unique_ptr<QWidget> control = make();
        EXPECT_TRUE(test::looksAsItsPicture(*control, QString::fromLatin1(name))) << name;
    }
}

// The mouse stays in the middle of whatever room it gets; a button it does not have has no place.
// A point is a button's where that button is drawn (the points are read off mouse_third_lit.png),
// and nobody's on the palm or beside the mouse.
TEST(Painting, TheMousePictureStaysCentredAndKnowsEachButtonByItsShape) {
    MousePicture picture;
    picture.resize(300, 200);
    picture.show();
    const struct {
        QPointF point;
        int button;
    } points[] = {{{130, 60}, 0},   {{167, 60}, 1},   {{150, 37}, 2},   {{115, 113}, 3}, {{150, 21}, 10},
                  {{150, 52}, 11},  {{150, 133}, -1}, {{122, 16}, -1}, {{30, 30}, -1}};
    for (const auto& [point, button] : points) {
        EXPECT_EQ(picture.buttonAt(point), button) << point.x() << "," << point.y();
    }
    const QRect narrow = picture.buttonArea(0);
    picture.resize(500, 200);
    EXPECT_EQ(picture.buttonArea(0), narrow.translated(100, 0));
    picture.resize(80, 200);
    const QRect low = picture.buttonArea(0);
    picture.resize(80, 400);
    EXPECT_EQ(picture.buttonArea(0), low.translated(0, 100));
    picture.setButtonName(0, QStringLiteral("1, left"));
    for (const int none : {-1, kShownButtonCount}) {
        EXPECT_TRUE(picture.buttonArea(none).isNull() && picture.buttonName(none).isEmpty()) << none;
    }
}

// A combo box that cuts its item short shows its placeholder only while no item is chosen: the
// first item chosen looks the same whatever the placeholder says.
TEST(Painting, AShortenedComboBoxShowsTheItemChosenNotItsPlaceholder) {
    const auto drawn = [](const QString& placeholder, int item) {
        QComboBox combo;
        combo.addItems({QStringLiteral("Jump"), QStringLiteral("Dash")});
        combo.setPlaceholderText(placeholder);
        elideCurrentItem(&combo);
        combo.resize(120, 26);
        combo.setCurrentIndex(item);
        QImage painted(combo.size(), QImage::Format_ARGB32_Premultiplied);
        painted.fill(Qt::transparent);
        combo.render(&painted);
        return painted;
    };
    EXPECT_EQ(drawn(QStringLiteral("Choose"), 0), drawn(QString(), 0));
    EXPECT_NE(drawn(QStringLiteral("Choose"), -1), drawn(QString(), -1)) << "with none chosen it shows";
    QComboBox combo;
    combo.addItems({QStringLiteral("Jump"), QStringLiteral("Dash")});
    elideCurrentItem(&combo);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentIndex(), 1) << "it takes the keyboard as any combo box";
}

// Each key moves one part of the colour, by a twentieth (the page keys by a 36th of the hue
// circle), and stops at the ends; a press on the strip picks the hue under it and keeps the rest.
TEST(Painting, ThePaletteMovesByKeysAndTheStripPicksTheHueUnderThePointer) {
    const struct {
        QRgb from;
        Qt::Key key;
        double hue, saturation, value;  // after the key
    } moves[] = {
        {0xFF408080, Qt::Key_Right, 180, 0.55, 0.50}, {0xFF408080, Qt::Key_Left, 180, 0.45, 0.50},
        {0xFF408080, Qt::Key_Up, 180, 0.50, 0.55},    {0xFF408080, Qt::Key_Down, 180, 0.50, 0.45},
        {0xFF408080, Qt::Key_PageUp, 190, 0.50, 0.50}, {0xFF408080, Qt::Key_PageDown, 170, 0.50, 0.50},
        {0xFFFFFFFF, Qt::Key_Left, -1, 0, 1},          {0xFFFFFFFF, Qt::Key_Up, -1, 0, 1},
        {0xFFFF0000, Qt::Key_PageDown, 0, 1, 1},       {0xFFFF0000, Qt::Key_Right, 0, 1, 1},
    };
    ColorPalette palette;
    palette.resize(180, 120);
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << std::hex << move.from << " key " << move.key);
        palette.setSelectColor(move.from);
        QTest::keyClick(&palette, move.key);
        const QColor now = QColor::fromRgb(palette.selectColor());
        EXPECT_NEAR(now.hsvHue(), move.hue, 1);
        EXPECT_NEAR(now.hsvSaturationF(), move.saturation, 0.01);
        EXPECT_NEAR(now.valueF(), move.value, 0.01);
    }
    palette.setSelectColor(0xFF804040);
    QTest::mouseClick(&palette, Qt::LeftButton, {}, {palette.width() / 2, palette.height() - 10});
    const QColor picked = QColor::fromRgb(palette.selectColor());
    EXPECT_NEAR(picked.hsvHue(), 180, 2) << "the middle of the strip";
    EXPECT_NEAR(picked.hsvSaturationF(), 0.5, 0.01);
    EXPECT_NEAR(picked.valueF(), 0.5, 0.01);
}

}  // namespace
}  // namespace qx4::gui
