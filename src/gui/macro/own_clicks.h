// The mouse buttons a recording hears that are the user working the program, not steps of the
// macro: a press on one of the program's own widgets (the record button, Save, Cancel, a tab, the
// macro list, a message box) and the release that goes with it. A click in the step list is a
// step, as a click in another program's window is.
//
// Where the hook hears the whole desktop it reads the press on a connection of its own, so the
// press may be heard before or after the program gets it: it is placed where the pointer is when
// it is heard. Where the hook hears the program's windows only, it heard the press on its way to
// them, so the press is placed where the program got it.
#pragma once

#include <QObject>

#include <array>

#include "core/edit/captured_input.h"

class QWidget;

namespace qx4::gui {

class OwnClicks final : public QObject {
public:
    // Clicks in `stepArea`, or in a widget in it, are steps; it is looked at only while a
    // recording runs.
    OwnClicks(const QWidget& stepArea, QObject* parent);

    // From the start of a recording to its end.
    void start(bool wholeDesktop);
    void stop();
    // True for a mouse button pressed on the program's own widgets and for its release; false
    // for keys.
    bool isOwn(const CapturedInput& input);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ownWidget(const QWidget* widget) const;

    const QWidget& stepArea_;
    bool wholeDesktop_ = false;
    // By button (left, right, middle, back, forward): whether the program's last press of it
    // was on its own widgets, and whether the press heard last was.
    std::array<bool, 5> gotOnOwn_{};
    std::array<bool, 5> heardOnOwn_{};
};

}  // namespace qx4::gui
