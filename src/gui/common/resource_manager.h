// Texts from res/lan.xml by key, and the resource folder itself. A control is in resource-text
// mode when it carries the dynamic property "textKey": it then shows the language text of that
// key (the key itself when the language file lacks it). A translation lives beside it as
// lan_<language>.xml ("lan_de.xml") and is laid over the English texts, so a key it lacks stays
// English. Layout files use the same properties:
//   textKey      text of a label, button, check box or group box
//   toolTipKey   tool tip
//   itemKeys     combo box items, keys separated by ';'
//   windowTitleKey  window title
// Menu actions (QAction) under a translated root take textKey too.
// A screen reader names a control by its accessible name: translating sets it from the key
// "<object name>_access_text" where the language file has one, else, for a control that shows no
// name of its own (an icon button, a slider, an entry, a list), from its toolTipKey.
#pragma once

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QTranslator;
class QWidget;

namespace qx4::gui {

using LanguageTexts = QHash<QString, QString>;

// The texts of one language file by key; nullopt when it is missing or malformed.
std::optional<LanguageTexts> readLanguageFile(const QString& path);

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
    // Loads lan.xml, then the translation for the first of the locale's languages that has one
    // (none for English), and Qt's own texts (file dialogs) in that language where installed.
    // False only when lan.xml cannot be read; an unreadable translation leaves English.
    bool loadLanguageFor(const QLocale& locale);
    // "de" for lan_de.xml: the languages a translation is there for.
    QStringList translations() const;
    // "lan_de.xml" for a German locale; empty when English or no translation fits.
    QString translationFileFor(const QLocale& locale) const;
    bool hasText(const QString& key) const { return texts_.contains(key); }
    QString text(const QString& key) const;
    // A number as the shown language writes it ("1,252" in English, "1.252" in German), whatever
    // the system's own locale says.
    QString formatNumber(qint64 value) const { return language_.toString(value); }

    // Resource-text mode on one control, and back to plain text.
    void setResourceText(QWidget* control, const QString& key) const;
    void setPlainText(QWidget* control, const QString& text) const;

    // Shows the language text on every control in resource-text mode under root (root included).
    void translate(QWidget* root) const;

private:
    ResourceManager();
    void applyTexts(QWidget* control) const;

    void loadQtTranslation(const QString& language);

    QDir resourceDirectory_;
    LanguageTexts texts_;
    QLocale language_{QLocale::English, QLocale::UnitedStates};
    QPointer<QTranslator> qtTranslator_;
};

// The shown language's text of a key the code names.
QString text(const char* key);

}  // namespace qx4::gui
