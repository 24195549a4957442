#include "gui/pages/dpi_color_wnd.h"

#include <QPushButton>

#include "gui/pages/color_editor.h"
#include "gui/pages/page_layout.h"

namespace qx4::gui {

CDpiColorWnd::CDpiColorWnd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DpiColorWnd"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setModal(true);
    loadPageLayout(this, QStringLiteral("DpiColorDialog.xml"));
    editor_ = findChild<ColorEditor*>(QStringLiteral("dpi_color_editor"));
    // Without its layout the dialog has no buttons (Escape cancels), but still holds a colour.
    if (!editor_) editor_ = new ColorEditor(this);
    if (auto* confirm = findChild<QPushButton*>(QStringLiteral("confirm_btn"))) {
        connect(confirm, &QPushButton::clicked, this, [this] { done(1); });
    }
    if (auto* cancel = findChild<QPushButton*>(QStringLiteral("cancel_btn"))) {
        connect(cancel, &QPushButton::clicked, this, [this] { done(0); });
    }
}

void CDpiColorWnd::setColor(QRgb color) { editor_->setColor(color); }

QRgb CDpiColorWnd::color() const { return editor_->color(); }

void CDpiColorWnd::showEvent(QShowEvent* event) {
    // Whatever size the window was created with, it opens at its own size at the given corner.
    setGeometry(position_.x(), position_.y(), kWidth, kHeight);
    setFixedSize(kWidth, kHeight);
    QDialog::showEvent(event);
}

}  // namespace qx4::gui
