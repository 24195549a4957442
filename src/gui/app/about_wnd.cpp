#include "gui/app/about_wnd.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>

#include "gui/common/control_lookup.h"
#include "gui/common/layout_window.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

CAboutWnd::CAboutWnd(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("AboutWnd"));
    setModal(true);
    buildWindowFromLayout(this, QStringLiteral("about.xml"), 380, 260);
    requireControl<QLabel>(this, "about_version_label")
        ->setText(ResourceManager::instance()
                      .text(QStringLiteral("about_version_text"))
                      .arg(QCoreApplication::applicationVersion()));
    connect(requireControl<QAbstractButton>(this, "exit"), &QAbstractButton::clicked, this,
            [this] { done(0); });
}

void CAboutWnd::showModal() {
    setGeometry(centredGeometry(this, parentWidget()));
    exec();
}

}  // namespace qx4::gui
