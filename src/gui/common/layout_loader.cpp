#include "gui/common/layout_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "gui/common/resource_manager.h"

namespace qx4::gui {

WithoutDesignerPlugins::WithoutDesignerPlugins() : libraryPaths_(QCoreApplication::libraryPaths()) {
    QCoreApplication::setLibraryPaths({});
}

// Qt's plug-in loaders remember the folders they have read, so this reads nothing again.
void WithoutDesignerPlugins::restoreLibraryPaths() const { QCoreApplication::setLibraryPaths(libraryPaths_); }

LayoutLoader::LayoutLoader(CreateControl createControl)
    : createControl_(std::move(createControl)) {
    restoreLibraryPaths();
    setWorkingDirectory(ResourceManager::instance().resourceDirectory());
}

QWidget* LayoutLoader::load(const QString& layoutFileName, QWidget* parent) {
    QFile file(ResourceManager::instance().resourcePath(layoutFileName));
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    QWidget* root = QUiLoader::load(&file, parent);
    if (root) ResourceManager::instance().translate(root);
    return root;
}

namespace {
// Enter presses a focused push button as Space does, in the windows as in the dialogs: Qt lets
// only a dialog's buttons take it unless they are made auto-default.
QWidget* pressedByEnter(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control)) button->setAutoDefault(true);
    return control;
}
}  // namespace

QWidget* LayoutLoader::createWidget(const QString& className, QWidget* parent,
                                    const QString& name) {
    QWidget* control = createControl_ ? createControl_(className, parent) : nullptr;
    if (control) {
        control->setObjectName(name);
    } else {
        control = QUiLoader::createWidget(className, parent, name);
    }
    // Labels show what other programs and the user name (window classes, file names, macro
    // names) as well as the program's own words, never as markup; a layout may still say otherwise.
    if (auto* label = qobject_cast<QLabel*>(control)) label->setTextFormat(Qt::PlainText);
    return pressedByEnter(control);
}

QWidget* loadLayoutInto(QWidget* host, const QString& layoutFileName,
                        LayoutLoader::CreateControl createControl) {
    LayoutLoader loader(std::move(createControl));
    QWidget* root = loader.load(layoutFileName, host);
    if (!root) return nullptr;
    auto* layout = host->layout();
    if (!layout) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    layout->addWidget(root);
    return root;
}

}  // namespace qx4::gui
