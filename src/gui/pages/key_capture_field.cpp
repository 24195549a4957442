#include "gui/pages/key_capture_field.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

namespace qx4::gui {

KeyCaptureField::KeyCaptureField(QLineEdit* field) : QObject(field), field_(field) {
    field_->installEventFilter(this);
}

void KeyCaptureField::setCanListen(bool can) {
    canListen_ = can;
    if (!can) stop();
}

void KeyCaptureField::listen() {
    if (!canListen_ || listening_) return;
    listening_ = true;
    held_.reset();
    taken_.reset();
    capturedPresses_ = fieldPresses_ = owedPresses_ = 0;
    spacePressed_ = false;
    Q_EMIT listeningChanged(true);
}

void KeyCaptureField::finish(bool owesPresses) {
    if (!listening_) return;
    listening_ = false;
    owedPresses_ = owesPresses ? std::max(0, capturedPresses_ - fieldPresses_) : 0;
    Q_EMIT listeningChanged(false);
}

bool KeyCaptureField::take(std::uintptr_t virtualKey, bool released) {
    if (!listening_ || virtualKey >= held_.size()) return false;
    if (released) {
        held_.reset(virtualKey);
        if (taken_ == virtualKey) finish(true);
        return false;
    }
    if (!held_.test(virtualKey)) {
        held_.set(virtualKey);
        ++capturedPresses_;
    }
    taken_ = virtualKey;
    return true;
}

bool KeyCaptureField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != field_) return false;
    bool swallowed = false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        swallowed = listening_;  // no shortcut may take a key being captured
        break;
    case QEvent::KeyPress:
        swallowed = keyPressed(*static_cast<QKeyEvent*>(event));
        break;
    case QEvent::KeyRelease:
        swallowed = keyReleased(*static_cast<QKeyEvent*>(event));
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) listen();
        break;
    case QEvent::FocusOut:
        finish(false);  // the field's counterparts will not reach it now
        spacePressed_ = false;
        break;
    default:
        break;
    }
    if (swallowed) event->accept();
    return swallowed;
}

bool KeyCaptureField::keyPressed(const QKeyEvent& key) {
    if (listening_) {
        if (!key.isAutoRepeat()) ++fieldPresses_;
        return true;
    }
    // A held key never confirms or cancels: its first press already did, or was captured.
    if (key.isAutoRepeat()) return true;
    if (owedPresses_ > 0) {
        --owedPresses_;
        return true;
    }
    if (key.key() == Qt::Key_Space && canListen_) {
        spacePressed_ = true;
        return true;
    }
    return false;
}

// Listening starts on the release of Space, so the Space itself is not captured.
bool KeyCaptureField::keyReleased(const QKeyEvent& key) {
    if (listening_) return true;
    if (key.key() != Qt::Key_Space || key.isAutoRepeat() || !spacePressed_) return false;
    spacePressed_ = false;
    listen();
    return true;
}

}  // namespace qx4::gui
