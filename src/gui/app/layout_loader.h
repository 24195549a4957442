// Builds widget trees from the Qt Designer layouts in res/ (main.xml, msg.xml, ...). The control
// factory creates the program's own pages for the class names the layouts use; every other class
// is one of Qt's. Texts of resource-text controls are filled in from the language file.
#pragma once

#include <QString>
#include <QUiLoader>

#include <functional>

namespace qx4::gui {

class LayoutLoader final : public QUiLoader {
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
