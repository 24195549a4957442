#include "gui/pages/key_capture_field.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

#include "core/edit/captured_input.h"

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
    takenBefore_.reset();
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

// A modifier key taken may still become a box of the combination: a key pressed while it is held
// is the key instead. So a modifier key taken ends listening only once every key is up again.
std::optional<KeyCaptureField::TakenKey> KeyCaptureField::take(std::uintptr_t virtualKey, bool released) {
    if (!listening_ || virtualKey >= held_.size()) return std::nullopt;
    if (released) {
        held_.reset(virtualKey);
        if (taken_ && (modifierBitOf(*taken_) == 0 ? taken_ == virtualKey : held_.none())) finish(true);
        return std::nullopt;
    }
    if (!held_.test(virtualKey)) {
        held_.set(virtualKey);
        ++capturedPresses_;
    }
    takenBefore_ = taken_;
    taken_ = virtualKey;
    return TakenKey{virtualKey, modifiersHeldBesides(virtualKey)};
}

std::uint8_t KeyCaptureField::modifiersHeldBesides(std::uintptr_t virtualKey) const {
    std::uint8_t bits = 0;
    for (std::size_t key = 0; key < held_.size(); ++key) {
        if (held_.test(key) && key != virtualKey) bits = static_cast<std::uint8_t>(bits | modifierBitOf(key));
    }
    return bits;
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
