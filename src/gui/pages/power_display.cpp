#include "gui/pages/power_display.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"
#include "gui/session/power_reading.h"

namespace qx4::gui {

PowerDisplay::PowerDisplay(QProgressBar* bar, QLabel* text, QLabel* sleepLabel, QObject* parent)
    : QObject(parent),
      bar_(bar),
      text_(text),
      sleepLabel_(sleepLabel),
      chargeTimer_(new QTimer(this)) {
    chargeTimer_->setObjectName(QStringLiteral("charge_animation_timer"));
    chargeTimer_->setInterval(kChargeFrameMilliseconds);
    connect(chargeTimer_, &QTimer::timeout, this, &PowerDisplay::showNextChargeFrame);
    if (bar_) bar_->setRange(0, 100);
}

void PowerDisplay::showBattery(int level) {
    const int percent = level * 10;
    if (bar_) {
        bar_->setValue(percent);
        setSkinProperty(bar_, "low", level >= 1 && level <= kLowBatteryLevel);
    }
    const ResourceManager& texts = ResourceManager::instance();
    texts.setPlainText(text_, texts.text(QStringLiteral("battery_percent_text")).arg(percent));
}

void PowerDisplay::showCharging(bool on, bool restartAnimation) {
    if (bar_) {
        // The skin colours the sweep of a charge apart from a battery level.
        setSkinProperty(bar_, "charging", on);
    }
    if (on) {
        showSleepLabel(false);
        ResourceManager::instance().setResourceText(text_, QStringLiteral("charging_text"));
        if (restartAnimation) chargeAnimValue_ = 0;
        chargeTimer_->start();
    } else {
        showSleepLabel(true);
        ResourceManager::instance().setPlainText(text_, QString());
        chargeTimer_->stop();
    }
}

void PowerDisplay::showSleepLabel(bool shown) {
    if (sleepLabel_) sleepLabel_->setVisible(shown);
}

void PowerDisplay::showNextChargeFrame() {
    if (bar_) bar_->setValue(chargeAnimValue_);
    chargeAnimValue_ += kChargeStep;
    if (chargeAnimValue_ > 100) chargeAnimValue_ = 0;
}

}  // namespace qx4::gui
