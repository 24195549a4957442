// The DPI colour dialog on its own: what it shows, how typed components are limited, what the
// palette and the presets pick, and what it returns.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/dpi_color_wnd.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

class DpiColorWndTest : public ::testing::Test {
protected:
    void open(QRgb color) {
        dialog.setColor(color);
        dialog.setPosition({40, 60});
        dialog.resize(800, 800);  // the size it was created with does not matter
        dialog.show();
    }
    QLineEdit* edit(const char* name) { return dialog.findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QRgb preview() { return swatchColor(dialog.findChild<QWidget*>(QStringLiteral("color_show_control"))); }
    ColorPalette* palette() { return dialog.findChild<ColorPalette*>(QStringLiteral("ColorPallet")); }
    void type(const char* name, const char* text) {
        QLineEdit* target = edit(name);
        target->selectAll();
        if (*text == '\0') {
            QTest::keyClick(target, Qt::Key_Delete);
        } else {
            QTest::keyClicks(target, QString::fromLatin1(text));
        }
    }
    QStringList components() { return {edit("r_edit")->text(), edit("g_edit")->text(), edit("b_edit")->text()}; }

    CDpiColorWnd dialog;
};

TEST_F(DpiColorWndTest, OpensAtItsOwnSizeShowingTheLevelsColour) {
    open(storedToArgb(0x000000FF));
    EXPECT_EQ(dialog.geometry(), QRect(40, 60, 250, 200));
    EXPECT_EQ(components(), QStringList({"255", "0", "0"}));
    EXPECT_EQ(preview(), 0xFFFF0000u);
    EXPECT_EQ(palette()->selectColor(), 0xFFFF0000u);
}

TEST_F(DpiColorWndTest, TypedComponentsAreLimitedAndOnlyRewrittenWhenLimited) {
    open(0xFF102030);
    type("g_edit", "300");
    EXPECT_EQ(dialog.color(), 0xFF10FF30u);
    EXPECT_EQ(edit("g_edit")->text(), "255");

    type("r_edit", "-7");
    EXPECT_EQ(dialog.color(), 0xFF00FF30u);
    EXPECT_EQ(edit("r_edit")->text(), "0");

    type("b_edit", "");
    EXPECT_EQ(dialog.color(), 0xFF00FF00u);
    EXPECT_EQ(edit("b_edit")->text(), "");

    type("b_edit", "x9");
    EXPECT_EQ(dialog.color(), 0xFF00FF00u);
    EXPECT_EQ(edit("b_edit")->text(), "x9");

    type("b_edit", "99999999999");
    EXPECT_EQ(dialog.color(), 0xFF00FFFFu);
    EXPECT_EQ(edit("b_edit")->text(), "255");

    type("r_edit", "128");
    EXPECT_EQ(dialog.color(), 0xFF80FFFFu);
    EXPECT_EQ(preview(), 0xFF80FFFFu);
    EXPECT_EQ(palette()->selectColor(), 0xFF80FFFFu);
}

TEST_F(DpiColorWndTest, PresetsAndPaletteDragsPickTheColour) {
    open(0xFF000000);
    dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_14"))->click();
    EXPECT_EQ(dialog.color(), 0xFF48B1FFu);
    EXPECT_EQ(components(), QStringList({"72", "177", "255"}));
    EXPECT_EQ(palette()->selectColor(), 0xFF48B1FFu);

    // Dragging to the top-right of the field gives a fully saturated, full-value colour.
    ColorPalette* field = palette();
    QTest::mousePress(field, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(field, QPoint(field->width() - 1, 0));
    const QRgb dragged = dialog.color();
    EXPECT_EQ(dragged, field->selectColor());
    EXPECT_EQ(preview(), dragged);
    EXPECT_EQ(std::max({qRed(dragged), qGreen(dragged), qBlue(dragged)}), 255);
    EXPECT_EQ(std::min({qRed(dragged), qGreen(dragged), qBlue(dragged)}), 0);
    EXPECT_EQ(components(), QStringList({QString::number(qRed(dragged)), QString::number(qGreen(dragged)),
                                         QString::number(qBlue(dragged))}));
    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, QPoint(field->width() - 1, 0));
    EXPECT_EQ(dialog.color(), dragged);
}

TEST_F(DpiColorWndTest, ReturnsOneOnlyWhenConfirmed) {
    dialog.setColor(0xFF000000);
    int result = -1;
    auto press = [&](const char* button) {
        return test::answerModal<CDpiColorWnd>(
            [&](CDpiColorWnd& shown) {
                shown.findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
            },
            [&] { result = dialog.exec(); });
    };
    ASSERT_TRUE(press("confirm_btn"));
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(press("cancel_btn"));
    EXPECT_EQ(result, 0);

    ASSERT_TRUE(test::answerModal<CDpiColorWnd>(
        [](CDpiColorWnd& shown) { QTest::keyClick(&shown, Qt::Key_Escape); },
        [&] { result = dialog.exec(); }));
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace qx4::gui
