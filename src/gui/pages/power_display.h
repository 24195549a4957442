// The power area of the wireless page: battery bar and text, the charging sweep, the sleep label.
#pragma once

#include <QObject>

class QLabel;
class QTimer;
class QProgressBar;

namespace qx4::gui {

class PowerDisplay final : public QObject {
    Q_OBJECT
public:
    static constexpr int kChargeFrameMilliseconds = 30;
    static constexpr int kChargeStep = 2;

    // Any control may be missing; its part of the display is then skipped.
    PowerDisplay(QProgressBar* bar, QLabel* text, QLabel* sleepLabel, QObject* parent);

    // level 1-10: the bar shows level x 10 and the text "70%".
    void showBattery(int level);
    // While charging, the text says so and the bar sweeps from 0 to 100 every 30 ms step by 2;
    // a restart begins the sweep again at 0. Charging hides the sleep label; its end shows it.
    void showCharging(bool on, bool restartAnimation);
    void showSleepLabel(bool shown);

private:
    void showNextChargeFrame();

    QProgressBar* bar_;
    QLabel* text_;
    QLabel* sleepLabel_;
    QTimer* chargeTimer_;
    int chargeAnimValue_ = 0;
};

}  // namespace qx4::gui
