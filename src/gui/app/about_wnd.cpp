#include "gui/app/about_wnd.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>

#include "gui/app/layout_window.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

CAboutWnd::CAboutWnd(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("AboutWnd"));
    setModal(true);
    QWidget* root = buildWindowFromLayout(this, QStringLiteral("about.xml"), 380, 260);
    if (!root) return;
    if (auto* version = root->findChild<QLabel*>(QStringLiteral("about_version_label"))) {
        version->setText(ResourceManager::instance()
                             .text(QStringLiteral("about_version_text"))
                             .arg(QCoreApplication::applicationVersion()));
    }
    if (auto* exit = root->findChild<QAbstractButton*>(QStringLiteral("exit"))) {
        connect(exit, &QAbstractButton::clicked, this, [this] { done(0); });
    }
}

void CAboutWnd::showModal() {
    setGeometry(centredGeometry(this, parentWidget()));
    exec();
}

}  // namespace qx4::gui
