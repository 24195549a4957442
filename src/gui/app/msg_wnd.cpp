#include "gui/app/msg_wnd.h"

#include <QAbstractButton>
#include <QLabel>

#include "gui/app/control_lookup.h"
#include "gui/app/layout_window.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

CMsgWnd::CMsgWnd(QWidget* parent, const QString& titleKey, const QString& textKey)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("MsgWnd"));
    setModal(true);
    buildWindowFromLayout(this, QStringLiteral("msg.xml"), 360, 180);
    const ResourceManager& texts = ResourceManager::instance();
    texts.setResourceText(requireControl<QLabel>(this, "warning_title"), titleKey);
    texts.setResourceText(requireControl<QLabel>(this, "warning"), textKey);
    connect(requireControl<QAbstractButton>(this, "confirm_btn"), &QAbstractButton::clicked, this,
            [this] { done(kConfirmed); });
    connect(requireControl<QAbstractButton>(this, "cancel_btn"), &QAbstractButton::clicked, this,
            [this] { done(kCancelled); });
}

int CMsgWnd::showModal() {
    setGeometry(centredGeometry(this, parentWidget()));
    return exec() == kConfirmed ? kConfirmed : kCancelled;
}

int runMessageBox(QWidget* parent, const QString& titleKey, const QString& textKey) {
    CMsgWnd box(parent, titleKey, textKey);
    return box.showModal();
}

}  // namespace qx4::gui
