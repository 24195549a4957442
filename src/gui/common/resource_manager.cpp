#include "gui/common/resource_manager.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTranslator>
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
const QString kAccessSuffix = QStringLiteral("_access_text");
const QString kEnglishFile = QStringLiteral("lan.xml");

// The first of the program's resource folders that holds the language file, else the first one
// (whose missing files then say where they were looked for).
QDir defaultResourceDirectory() {
    const auto folders = resourceFoldersFor(runningProgramFolder());
    for (const auto& folder : folders) {
        const QDir directory(QString::fromStdString(folder.string()));
        if (directory.exists(kEnglishFile)) return directory;
    }
    return QDir(QString::fromStdString(folders.front().string()));
}

// Buttons and group boxes are named by what they show; other controls show a value or nothing.
bool showsOwnName(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return !button->text().isEmpty();
    return qobject_cast<const QLabel*>(control) || qobject_cast<const QGroupBox*>(control);
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

std::optional<LanguageTexts> readLanguageFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QXmlStreamReader xml(&file);
    LanguageTexts loaded;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Language")) continue;
        if (xml.name() == QLatin1String("Text")) {
            const QString key = xml.attributes().value(QLatin1String("key")).toString();
            loaded.insert(key, xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) return std::nullopt;
    return loaded;
}

bool ResourceManager::loadLanguage(const QString& fileName) {
    texts_.clear();
    language_ = QLocale(QLocale::English, QLocale::UnitedStates);
    auto loaded = readLanguageFile(resourcePath(fileName));
    if (!loaded) return false;
    texts_ = std::move(*loaded);
    return true;
}

bool ResourceManager::loadLanguageFor(const QLocale& locale) {
    if (!loadLanguage(kEnglishFile)) return false;
    const QString translation = translationFileFor(locale);
    if (translation.isEmpty()) {
        loadQtTranslation(QString());
        return true;
    }
    const auto translated = readLanguageFile(resourcePath(translation));
    if (!translated) {
        qWarning("qx4-config: %s cannot be read; the texts stay English", qPrintable(resourcePath(translation)));
        loadQtTranslation(QString());
        return true;
    }
    for (auto text = translated->cbegin(); text != translated->cend(); ++text) texts_.insert(text.key(), text.value());
    const QString language = translation.mid(4).chopped(4);
    language_ = QLocale(language);
    loadQtTranslation(language);
    return true;
}

QStringList ResourceManager::translations() const {
    QStringList languages;
    for (const QString& file : resourceDirectory_.entryList({QStringLiteral("lan_*.xml")}, QDir::Files, QDir::Name)) {
        languages << file.mid(4).chopped(4);
    }
    return languages;
}

// The locale's languages in the user's order of preference (LANGUAGE, then LC_ALL, LC_MESSAGES,
// LANG): the first that is English or has a file wins, so "LANGUAGE=fr:de" gives German while
// there is no French file, and "LANGUAGE=en:de" stays English.
QString ResourceManager::translationFileFor(const QLocale& locale) const {
    for (const QString& name : locale.uiLanguages()) {
        const QString language = name.section(QLatin1Char('-'), 0, 0).toLower();
        if (language == QLatin1String("en")) return {};
        const QString file = QStringLiteral("lan_%1.xml").arg(language);
        if (resourceDirectory_.exists(file)) return file;
    }
    return {};
}

// Qt's own widgets (the file dialog's buttons and labels) speak the same language when Qt's
// translations are installed; without them they stay English.
void ResourceManager::loadQtTranslation(const QString& language) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    delete qtTranslator_;
    if (language.isEmpty()) return;
    auto* translator = new QTranslator(application);
    if (translator->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        qtTranslator_ = translator;
    } else {
        delete translator;
    }
}

QString ResourceManager::text(const QString& key) const { return texts_.value(key, key); }

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

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

    const QString accessKey = control->objectName() + kAccessSuffix;
    if (!control->objectName().isEmpty() && texts_.contains(accessKey)) {
        control->setAccessibleName(text(accessKey));
    } else if (toolTipKey.isValid() && !showsOwnName(control)) {
        control->setAccessibleName(text(toolTipKey.toString()));
    }

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
