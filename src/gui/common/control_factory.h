// Control classes by the class names layouts use (the program's own are in
// app/program_controls.h). The main window builds "main.xml" and the pages with a factory; class
// names compare without regard to case. A test may register its own class under a name to stand
// in for a page.
#pragma once

#include <QHash>
#include <QString>

#include <functional>

class QWidget;

namespace qx4::gui {

class ControlFactory {
public:
    using Creator = std::function<QWidget*(QWidget* parent)>;


    void registerClass(const QString& className, Creator creator);
    // nullptr for a class it does not know, so that Qt builds its own.
    QWidget* create(const QString& className, QWidget* parent) const;

private:
    QHash<QString, Creator> creators_;  // by lower-case class name
};

}  // namespace qx4::gui
