#include "gui/common/diagnostics.h"

namespace qx4::gui {

Q_LOGGING_CATEGORY(lcApp, "qx4.app", QtWarningMsg)

}  // namespace qx4::gui
