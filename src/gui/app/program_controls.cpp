#include "gui/app/program_controls.h"

#include "gui/pages/apply_ring.h"
#include "gui/common/settings_page.h"
#include "gui/pages/page_table.h"

namespace qx4::gui {

ControlFactory programControls() {
    ControlFactory factory;
    for (const PageKind& kind : pageTable()) {
        factory.registerClass(QString::fromLatin1(kind.className),
                              [&kind](QWidget* parent) -> QWidget* { return kind.create(parent, kind); });
    }
    factory.registerClass(QStringLiteral("ApplyRing"),
                          [](QWidget* parent) -> QWidget* { return new ApplyRing(parent); });
    return factory;
}

}  // namespace qx4::gui
