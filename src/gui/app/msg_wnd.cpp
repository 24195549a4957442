#include "gui/app/msg_wnd.h"

#include <QAbstractButton>
#include <QLabel>

#include "gui/app/layout_window.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

CMsgWnd::CMsgWnd(QWidget* parent, const QString& titleKey, const QString& textKey)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("MsgWnd"));
    setModal(true);
    QWidget* root = buildWindowFromLayout(this, QStringLiteral("msg.xml"), 360, 180);
    if (!root) return;
    const ResourceManager& texts = ResourceManager::instance();
    texts.setResourceText(root->findChild<QLabel*>(QStringLiteral("warning_title")), titleKey);
    texts.setResourceText(root->findChild<QLabel*>(QStringLiteral("warning")), textKey);
    if (auto* confirm = root->findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))) {
        connect(confirm, &QAbstractButton::clicked, this, [this] { done(kConfirmed); });
    }
    if (auto* cancel = root->findChild<QAbstractButton*>(QStringLiteral("cancel_btn"))) {
        connect(cancel, &QAbstractButton::clicked, this, [this] { done(kCancelled); });
    }
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
