// The modal about box (layout "about.xml"), closed by its "exit" button.
#pragma once

#include <QDialog>

namespace qx4::gui {

class CAboutWnd final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutWnd(QWidget* parent);
    void showModal();
};

}  // namespace qx4::gui
