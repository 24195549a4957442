#include "gui/common/control_factory.h"

namespace qx4::gui {

void ControlFactory::registerClass(const QString& className, Creator creator) {
    creators_.insert(className.toLower(), std::move(creator));
}

QWidget* ControlFactory::create(const QString& className, QWidget* parent) const {
    const auto found = creators_.constFind(className.toLower());
    return found == creators_.constEnd() ? nullptr : (*found)(parent);
}

}  // namespace qx4::gui
