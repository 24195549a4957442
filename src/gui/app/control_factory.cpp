#include "gui/app/control_factory.h"

#include "gui/app/apply_ring.h"
#include "gui/pages/page_table.h"
#include "gui/pages/settings_page.h"

namespace qx4::gui {

ControlFactory ControlFactory::programControls() {
    ControlFactory factory;
    for (const PageKind& kind : pageTable()) {
        factory.registerClass(QString::fromLatin1(kind.className),
                              [&kind](QWidget* parent) -> QWidget* { return kind.create(parent, kind); });
    }
    factory.registerClass(QStringLiteral("ApplyRing"),
                          [](QWidget* parent) -> QWidget* { return new ApplyRing(parent); });
    return factory;
}

void ControlFactory::registerClass(const QString& className, Creator creator) {
    creators_.insert(className.toLower(), std::move(creator));
}

QWidget* ControlFactory::create(const QString& className, QWidget* parent) const {
    const auto found = creators_.constFind(className.toLower());
    return found == creators_.constEnd() ? nullptr : (*found)(parent);
}

}  // namespace qx4::gui
