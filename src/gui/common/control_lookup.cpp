#include "gui/common/control_lookup.h"

#include "gui/common/diagnostics.h"

namespace qx4::gui {

namespace {
QStringList& missed() {
    static QStringList names;
    return names;
}
}  // namespace

void detail::noteMissedControl(const QWidget* root, const QString& name) {
    const QString where = root->objectName() + QLatin1Char('/') + name;
    qCWarning(lcApp) << "the layout has no control" << where;
    missed().append(where);
}

QStringList missedControls() { return missed(); }

void clearMissedControls() { missed().clear(); }

}  // namespace qx4::gui
