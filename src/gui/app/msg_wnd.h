// The modal warning box (layout "msg.xml"): a title and a text, both language keys, with a
// confirm and a cancel button.
#pragma once

#include <QDialog>
#include <QString>

namespace qx4::gui {

class CMsgWnd final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kConfirmed = 1;
    static constexpr int kCancelled = 0;

    CMsgWnd(QWidget* parent, const QString& titleKey, const QString& textKey);

    // Centres the box and runs it: 1 after "confirm_btn", 0 after "cancel_btn" or closing it.
    int showModal();
};

// Builds, runs and destroys a warning box; returns its result.
int runMessageBox(QWidget* parent, const QString& titleKey, const QString& textKey);

}  // namespace qx4::gui
