// Finding a layout's controls by name. A control the code looks up is required: when the layout
// lacks it, a hidden stand-in of the same kind takes its place (so the code needs no null checks
// and nothing crashes), the miss is logged, and missedControls() lists it, which the layout test
// reads after building every window and page. Renaming a control in a layout therefore fails a
// test instead of silently disabling it.
#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QPushButton>
#include <QSlider>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <type_traits>

namespace qx4::gui {

namespace detail {
// What stands in for an abstract kind of control.
template <typename Control>
using StandIn = std::conditional_t<
    std::is_same_v<Control, QAbstractButton>, QPushButton,
    std::conditional_t<std::is_same_v<Control, QAbstractSlider>, QSlider, Control>>;

void noteMissedControl(const QWidget* root, const QString& name);
}  // namespace detail

template <typename Control>
Control* requireControl(QWidget* root, const QString& name) {
    if (auto* found = root->findChild<Control*>(name)) return found;
    detail::noteMissedControl(root, name);
    auto* standIn = new detail::StandIn<Control>(root);
    standIn->setObjectName(name);
    standIn->hide();
    return standIn;
}

template <typename Control>
Control* requireControl(QWidget* root, const char* name) {
    return requireControl<Control>(root, QString::fromLatin1(name));
}

// "<layout root>/<name>" for every lookup that found nothing since the start (or the last clear).
QStringList missedControls();
void clearMissedControls();

}  // namespace qx4::gui
