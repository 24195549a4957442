#include "gui/pages/dpi_color_wnd.h"

#include <QLineEdit>
#include <QPushButton>

#include "gui/pages/color_forms.h"
#include "gui/pages/color_palette.h"
#include "gui/pages/page_layout.h"

namespace qx4::gui {

namespace {
int red(QRgb color) { return static_cast<int>((color >> 16) & 0xFFu); }
int green(QRgb color) { return static_cast<int>((color >> 8) & 0xFFu); }
int blue(QRgb color) { return static_cast<int>(color & 0xFFu); }

QRgb opaque(int r, int g, int b) {
    return 0xFF000000u | (static_cast<QRgb>(r) << 16) | (static_cast<QRgb>(g) << 8) |
           static_cast<QRgb>(b);
}
}  // namespace

CDpiColorWnd::CDpiColorWnd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DpiColorWnd"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setModal(true);
    loadPageLayout(this, QStringLiteral("DpiColorDialog.xml"));
    findControls();
}

void CDpiColorWnd::findControls() {
    if (auto* confirm = findChild<QPushButton*>(QStringLiteral("confirm_btn"))) {
        connect(confirm, &QPushButton::clicked, this, [this] { done(1); });
    }
    if (auto* cancel = findChild<QPushButton*>(QStringLiteral("cancel_btn"))) {
        connect(cancel, &QPushButton::clicked, this, [this] { done(0); });
    }
    preview_ = findChild<QWidget*>(QStringLiteral("color_show_control"));
    palette_ = findChild<ColorPalette*>(QStringLiteral("ColorPallet"));
    if (palette_) {
        connect(palette_, &ColorPalette::colorChanged, this, &CDpiColorWnd::onPaletteColor);
        connect(palette_, &ColorPalette::colorChangedButtonUp, this, &CDpiColorWnd::onPaletteColor);
    }
    redEdit_ = findChild<QLineEdit*>(QStringLiteral("r_edit"));
    greenEdit_ = findChild<QLineEdit*>(QStringLiteral("g_edit"));
    blueEdit_ = findChild<QLineEdit*>(QStringLiteral("b_edit"));
    for (QLineEdit* edit : {redEdit_, greenEdit_, blueEdit_}) {
        if (edit) connect(edit, &QLineEdit::textEdited, this, [this, edit] { onComponentEdited(edit); });
    }
    for (std::size_t k = 0; k < presets_.size(); ++k) {
        presets_[k] = findChild<QPushButton*>(QStringLiteral("mouse_dpi_color_%1").arg(k + 1));
        if (!presets_[k]) continue;
        setSwatchColor(presets_[k], kPresetColors[k]);
        connect(presets_[k], &QPushButton::clicked, this, [this, k] {
            color_ = kPresetColors[k];
            showColor(color_);
        });
    }
}

void CDpiColorWnd::showEvent(QShowEvent* event) {
    // Whatever size the window was created with, it opens at its own size at the given corner.
    setGeometry(position_.x(), position_.y(), kWidth, kHeight);
    setFixedSize(kWidth, kHeight);
    showColor(color_);
    QDialog::showEvent(event);
}

void CDpiColorWnd::showColor(QRgb color) {
    if (palette_) palette_->setSelectColor(color);
    writeComponents(color);
}

void CDpiColorWnd::writeComponents(QRgb color) {
    if (redEdit_) redEdit_->setText(QString::number(red(color)));
    if (greenEdit_) greenEdit_->setText(QString::number(green(color)));
    if (blueEdit_) blueEdit_->setText(QString::number(blue(color)));
    setSwatchColor(preview_, opaque(red(color), green(color), blue(color)));
}

void CDpiColorWnd::onPaletteColor(QRgb color) {
    color_ = color;
    writeComponents(color);
}

void CDpiColorWnd::onComponentEdited(QLineEdit* edit) {
    int r = red(color_);
    int g = green(color_);
    int b = blue(color_);
    const ColorComponentEntry entry = parseColorComponent(edit->text());
    if (entry.corrected) edit->setText(QString::number(entry.value));
    if (edit == redEdit_) r = entry.value;
    if (edit == greenEdit_) g = entry.value;
    if (edit == blueEdit_) b = entry.value;
    color_ = opaque(r, g, b);
    if (palette_) palette_->setSelectColor(color_);
    setSwatchColor(preview_, color_);
}

}  // namespace qx4::gui
