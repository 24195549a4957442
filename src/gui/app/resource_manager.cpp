#include "gui/app/resource_manager.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <QXmlStreamReader>

#include "core/desktop/install_layout.h"

namespace qx4::gui {

namespace {
const char* const kTextKey = "textKey";
const char* const kToolTipKey = "toolTipKey";
const char* const kItemKeys = "itemKeys";
const char* const kWindowTitleKey = "windowTitleKey";

// The first of the program's resource folders that holds the language file, else the first one
// (whose missing files then say where they were looked for).
QDir defaultResourceDirectory() {
    const auto folders = resourceFoldersFor(runningProgramFolder());
    for (const auto& folder : folders) {
        const QDir directory(QString::fromStdString(folder.string()));
        if (directory.exists(QStringLiteral("lan.xml"))) return directory;
    }
    return QDir(QString::fromStdString(folders.front().string()));
}

void setControlText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    }
}
}  // namespace

ResourceManager& ResourceManager::instance() {
    static ResourceManager manager;
    return manager;
}

ResourceManager::ResourceManager() : resourceDirectory_(defaultResourceDirectory()) {}

QString ResourceManager::resourcePath(const QString& fileName) const {
    return resourceDirectory_.filePath(fileName);
}

bool ResourceManager::loadLanguage(const QString& fileName) {
    texts_.clear();
    QFile file(resourcePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader xml(&file);
    QHash<QString, QString> loaded;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Language")) continue;
        if (xml.name() == QLatin1String("Text")) {
            const QString key = xml.attributes().value(QLatin1String("key")).toString();
            loaded.insert(key, xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) return false;
    texts_ = std::move(loaded);
    return true;
}

QString ResourceManager::text(const QString& key) const { return texts_.value(key, key); }

void ResourceManager::setResourceText(QWidget* control, const QString& key) const {
    if (!control) return;
    control->setProperty(kTextKey, key);
    setControlText(control, text(key));
}

void ResourceManager::setPlainText(QWidget* control, const QString& plain) const {
    if (!control) return;
    control->setProperty(kTextKey, QVariant());
    setControlText(control, plain);
}

void ResourceManager::applyTexts(QWidget* control) const {
    const QVariant textKey = control->property(kTextKey);
    if (textKey.isValid()) setControlText(control, text(textKey.toString()));

    const QVariant toolTipKey = control->property(kToolTipKey);
    if (toolTipKey.isValid()) control->setToolTip(text(toolTipKey.toString()));

    const QVariant titleKey = control->property(kWindowTitleKey);
    if (titleKey.isValid()) control->setWindowTitle(text(titleKey.toString()));

    const QVariant itemKeys = control->property(kItemKeys);
    auto* combo = qobject_cast<QComboBox*>(control);
    if (itemKeys.isValid() && combo) {
        const QStringList keys = itemKeys.toString().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const QSignalBlocker blocker(combo);
        const int selected = combo->currentIndex();
        combo->clear();
        for (const QString& key : keys) combo->addItem(text(key.trimmed()));
        combo->setCurrentIndex(selected < combo->count() ? selected : -1);
    }
}

void ResourceManager::translate(QWidget* root) const {
    if (!root) return;
    applyTexts(root);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) applyTexts(child);
    const auto actions = root->findChildren<QAction*>();
    for (QAction* action : actions) {
        const QVariant textKey = action->property(kTextKey);
        if (textKey.isValid()) action->setText(text(textKey.toString()));
    }
}

}  // namespace qx4::gui
