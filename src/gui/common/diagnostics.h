// The program's diagnostic output: what the main window and the wireless page do (window shown
// or hidden, popups, connection changes, applies, saves). Quiet unless enabled, for example with
// QT_LOGGING_RULES="qx4.app.debug=true".
#pragma once

#include <QLoggingCategory>

namespace qx4::gui {

Q_DECLARE_LOGGING_CATEGORY(lcApp)

}  // namespace qx4::gui
