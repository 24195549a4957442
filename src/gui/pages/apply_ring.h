// The "apply_ring": a small spinning ring shown while an apply sends reports to the mouse. It
// animates only while visible, so a hidden ring costs nothing.
#pragma once

#include <QTimer>
#include <QWidget>

namespace qx4::gui {

class ApplyRing final : public QWidget {
    Q_OBJECT
public:
    explicit ApplyRing(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer frameTimer_;
    int angle_ = 0;
};

}  // namespace qx4::gui
