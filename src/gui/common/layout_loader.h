// Builds widget trees from the Qt Designer layouts in res/ (main.xml, msg.xml, ...). The control
// factory creates the program's own pages for the class names the layouts use; every other class
// is one of Qt's. Texts of resource-text controls are filled in from the language file.
#pragma once

#include <QString>
#include <QStringList>
#include <QUiLoader>

#include <functional>

namespace qx4::gui {

// QUiLoader's constructor loads every Qt Designer plug-in in a "designer" folder under the library
// paths; those on a desktop bring Qt Quick and QML into the process. Every class the layouts name
// is Qt's own or the program's, so the paths are hidden while it runs. A base class, as it has to
// act before QUiLoader's constructor does.
class WithoutDesignerPlugins {
protected:
    WithoutDesignerPlugins();
    void restoreLibraryPaths() const;

private:
    QStringList libraryPaths_;
};

class LayoutLoader final : private WithoutDesignerPlugins, public QUiLoader {
public:
    // Returns the control for a class name, or nullptr to let Qt build a standard widget.
    using CreateControl = std::function<QWidget*(const QString& className, QWidget* parent)>;

    explicit LayoutLoader(CreateControl createControl = {});

    // nullptr when the file is missing or malformed.
    QWidget* load(const QString& layoutFileName, QWidget* parent);

    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override;

private:
    CreateControl createControl_;
};

// Loads `layoutFileName` into `host`, which takes the tree as its only child filling its area.
// Returns the tree's root, or nullptr (leaving host empty) when the layout cannot be built.
QWidget* loadLayoutInto(QWidget* host, const QString& layoutFileName,
                        LayoutLoader::CreateControl createControl = {});

}  // namespace qx4::gui
