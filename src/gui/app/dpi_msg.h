// The popup (layout "DPImsg.xml") that shows for a moment which DPI value or profile the mouse
// has just switched to. It sits 10 pixels inside the bottom-right corner of the work area, stays
// on top, never takes the focus, and deletes itself when closed. A burst of changes is shown
// once per frame, the latest text at the end of each.
#pragma once

#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace qx4::gui {

class CDPIMsg final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 50;
    static constexpr int kFrameMilliseconds = 16;

    CDPIMsg(QWidget* owner, const QString& text);

    void setText(const QString& text);
    QString text() const { return text_; }

    // 200 x 50 at (work-area width - 210, work-area height - 60) from the work area's corner.
    static QRect geometryFor(const QRect& workArea);
    // False on Wayland, where a client cannot place its windows: the compositor would put the
    // popup where it likes, over other windows, and might give it the focus.
    static bool placeable();

private:
    void showText();

    QString text_;
    QLabel* label_ = nullptr;
    QTimer frame_;
};

}  // namespace qx4::gui
