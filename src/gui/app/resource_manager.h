// Texts from res/lan.xml by key, and the resource folder itself. A control is in resource-text
// mode when it carries the dynamic property "textKey": it then shows the language text of that
// key (the key itself when the language file lacks it). Layout files use the same properties:
//   textKey      text of a label, button, check box or group box
//   toolTipKey   tool tip
//   itemKeys     combo box items, keys separated by ';'
//   windowTitleKey  window title
// Menu actions (QAction) under a translated root take textKey too.
#pragma once

#include <QDir>
#include <QHash>
#include <QString>

class QWidget;

namespace qx4::gui {

class ResourceManager {
public:
    // The process-wide instance, as every window and page shares one language.
    static ResourceManager& instance();

    // res/ beside the program (the build folder), else share/qx4-config/res of the installed tree
    // around it, under any prefix. Tests set it directly.
    const QDir& resourceDirectory() const { return resourceDirectory_; }
    void setResourceDirectory(const QDir& directory) { resourceDirectory_ = directory; }
    QString resourcePath(const QString& fileName) const;

    // Loads "lan.xml" from the resource folder; false (and no texts) when missing or malformed.
    bool loadLanguage(const QString& fileName = QStringLiteral("lan.xml"));
    bool hasText(const QString& key) const { return texts_.contains(key); }
    QString text(const QString& key) const;

    // Resource-text mode on one control, and back to plain text.
    void setResourceText(QWidget* control, const QString& key) const;
    void setPlainText(QWidget* control, const QString& text) const;

    // Shows the language text on every control in resource-text mode under root (root included).
    void translate(QWidget* root) const;

private:
    ResourceManager();
    void applyTexts(QWidget* control) const;

    QDir resourceDirectory_;
    QHash<QString, QString> texts_;
};

}  // namespace qx4::gui
