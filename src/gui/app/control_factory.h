// The program's own control classes by the class names layouts use: the settings pages of the
// page table and the apply ring. The main window builds "main.xml" and the pages with this
// factory; class names compare without regard to case. A test may register its own class under a
// name to stand in for a page.
#pragma once

#include <QHash>
#include <QString>

#include <functional>

class QWidget;

namespace qx4::gui {

class ControlFactory {
public:
    using Creator = std::function<QWidget*(QWidget* parent)>;

    // Every page of the page table, and ApplyRing.
    static ControlFactory programControls();

    void registerClass(const QString& className, Creator creator);
    // nullptr for a class it does not know, so that Qt builds its own.
    QWidget* create(const QString& className, QWidget* parent) const;

private:
    QHash<QString, Creator> creators_;  // by lower-case class name
};

}  // namespace qx4::gui
