#include "gui/pages/dpi_color_wnd.h"

#include <QPushButton>

#include "gui/common/control_lookup.h"
#include "gui/pages/color_editor.h"
#include "gui/pages/page_layout.h"

namespace qx4::gui {

CDpiColorWnd::CDpiColorWnd(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DpiColorWnd"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setModal(true);
    loadPageLayout(this, QStringLiteral("DpiColorDialog.xml"));
    editor_ = requireControl<ColorEditor>(this, "dpi_color_editor");
    editor_->setControlNames(kDpiDialogColorNames);
    connect(requireControl<QPushButton>(this, "confirm_btn"), &QPushButton::clicked, this,
            [this] { done(1); });
    connect(requireControl<QPushButton>(this, "cancel_btn"), &QPushButton::clicked, this,
            [this] { done(0); });
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
