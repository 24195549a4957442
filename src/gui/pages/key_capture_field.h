// The key field of the button editor and when it listens. While it listens, every key pressed in
// it is the key being captured, Enter, Esc and Tab included, and nothing else acts on it. It
// listens when it is clicked and on Space while it has the focus, never merely for having the
// focus (Tab must still leave it). A combination is taken as pressed: a key pressed while modifier keys are
// held comes with their modifier bits. Listening stops once the capture reports the release of
// the key taken (of a modifier key taken: once no key is held), or when the field loses the
// focus; a later Enter then confirms the key instead of replacing it.
//
// Under the whole-desktop hook a key reaches the program twice, through the capture and as the
// field's own key event, in either order. A press of the field's own that belongs to a key the
// capture took is swallowed even when it comes after listening stopped, so the key just captured
// cannot also act as Enter or Esc.
#pragma once

#include <QObject>

#include <bitset>
#include <cstdint>
#include <optional>

class QKeyEvent;
class QLineEdit;

namespace qx4::gui {

class KeyCaptureField final : public QObject {
    Q_OBJECT
public:
    explicit KeyCaptureField(QLineEdit* field);

    // Without a capture to hear keys from (no hook library) the field never listens.
    void setCanListen(bool can);
    void listen();
    void stop() { finish(false); }
    bool listening() const { return listening_; }
    struct TakenKey {
        std::uintptr_t virtualKey;
        std::uint8_t heldModifiers;  // modifier bits of the other modifier keys held with it
    };
    // A key from the capture. A press the field takes is the key captured from now on.
    std::optional<TakenKey> take(std::uintptr_t virtualKey, bool released);
    // The key just taken cannot be bound: the one taken before it stays the key, and listening
    // goes on.
    void refuse() { taken_ = takenBefore_; }

Q_SIGNALS:
    void listeningChanged(bool listening);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The field's own key events; true when swallowed.
    bool keyPressed(const QKeyEvent& key);
    bool keyReleased(const QKeyEvent& key);
    // owesPresses: the field's counterparts of the keys taken may still come.
    void finish(bool owesPresses);
    std::uint8_t modifiersHeldBesides(std::uintptr_t virtualKey) const;

    QLineEdit* field_;
    bool canListen_ = false;
    bool listening_ = false;
    std::bitset<256> held_;        // keys the capture reports down since listening began
    std::optional<std::uintptr_t> taken_;
    std::optional<std::uintptr_t> takenBefore_;
    int capturedPresses_ = 0;      // since listening began, repeats not counted
    int fieldPresses_ = 0;         // the field's own, likewise
    int owedPresses_ = 0;          // the field's presses still to come for keys already taken
    bool spacePressed_ = false;    // a Space press while not listening: its release listens
};

}  // namespace qx4::gui
