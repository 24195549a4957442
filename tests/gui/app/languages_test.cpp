// Every text the program shows exists in English and in every translation beside it, the
// translations keep the English placeholders, and the desktop's locale picks the translation.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>

#include "core/vocab/function_catalogue.h"
#include "core/vocab/key_codes.h"
#include "gui/common/resource_manager.h"
#include "gui/macro/macro_step_list.h"

namespace qx4::gui::test {
namespace {

QDir resources() { return ResourceManager::instance().resourceDirectory(); }

LanguageTexts english() { return readLanguageFile(resources().filePath(QStringLiteral("lan.xml"))).value_or(LanguageTexts{}); }

QStringList translationFiles() { return resources().entryList({QStringLiteral("lan_*.xml")}, QDir::Files); }

// The keys the layouts name in their text, tool tip, title and combo item properties.
QSet<QString> layoutKeys() {
    const QSet<QString> keyProperties{"textKey", "toolTipKey", "windowTitleKey", "itemKeys"};
    QSet<QString> keys;
    for (const QString& name : resources().entryList({QStringLiteral("*.xml")}, QDir::Files)) {
        QFile layout(resources().filePath(name));
        if (!layout.open(QIODevice::ReadOnly)) ADD_FAILURE() << name.toStdString();
        QXmlStreamReader xml(&layout);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("property")) continue;
            if (!keyProperties.contains(xml.attributes().value(QLatin1String("name")).toString())) continue;
            xml.readNextStartElement();
            for (const QString& key : xml.readElementText().split(QLatin1Char(';'), Qt::SkipEmptyParts)) keys << key.trimmed();
        }
        EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
    }
    return keys;
}

// The keys the code names as string literals shaped like a key (object names are not), in the
// sources of the program and its core; "%1" stands for a part the code fills in
// ("button_place_%1_text").
QStringList sourceKeys() {
    const QRegularExpression literal(QStringLiteral(R"re("([a-z][a-z0-9_]*(?:%1[a-z0-9_]*)?)")re"));
    const QRegularExpression keyShape(QStringLiteral(R"re(_text$|_action$|^wireless_lightmode%1$)re"));
    QStringList keys;
    for (const char* area : {"gui", "core"}) {
        QDirIterator sources(QStringLiteral(QX4_SOURCE_DIR "/") + QLatin1String(area), {"*.cpp", "*.h"}, QDir::Files,
                             QDirIterator::Subdirectories);
        while (sources.hasNext()) {
            QFile source(sources.next());
            if (!source.open(QIODevice::ReadOnly)) ADD_FAILURE() << source.fileName().toStdString();
            for (const auto& match : literal.globalMatch(QString::fromUtf8(source.readAll()))) {
                if (keyShape.match(match.captured(1)).hasMatch()) keys << match.captured(1);
            }
        }
    }
    return keys;
}

// The names the core's tables give to functions and key codes.
QStringList tableKeys() {
    QStringList keys;
    for (int code = 0; code < 256; ++code) {
        keys << QString::fromStdU16String(std::u16string(functionTextKey(static_cast<std::uint8_t>(code))));
        for (const DisplayText& name : {keyCodeName(code), virtualKeyName(static_cast<std::uint32_t>(code))}) {
            if (name.isLanguageKey) keys << QString::fromStdU16String(name.text);
        }
    }
    keys.removeAll(QString());
    return keys;
}

bool hasKey(const LanguageTexts& texts, const QString& key) {
    if (!key.contains(QLatin1String("%1"))) return texts.contains(key);
    QStringList parts = key.split(QStringLiteral("%1"));
    for (QString& part : parts) part = QRegularExpression::escape(part);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(parts.join(QStringLiteral("[A-Za-z0-9]+"))));
    const auto keys = texts.keys();
    return std::any_of(keys.cbegin(), keys.cend(), [&](const QString& each) { return pattern.match(each).hasMatch(); });
}

// Qt's numbered placeholders may move within a sentence; printf-style ones are filled in order.
QString placeholders(const QString& text) {
    QStringList numbered;
    for (const auto& match : QRegularExpression(QStringLiteral(R"(%\d+)")).globalMatch(text)) numbered << match.captured();
    numbered.sort();
    QStringList ordered;
    for (const auto& match : QRegularExpression(QStringLiteral(R"(%l*[dsuxc])")).globalMatch(text)) ordered << match.captured();
    return numbered.join(QLatin1Char(' ')) + QStringLiteral(" | ") + ordered.join(QLatin1Char(' '));
}

TEST(Languages, EveryKeyTheLayoutsAndTheCodeUseHasAnEnglishText) {
    const LanguageTexts texts = english();
    ASSERT_FALSE(texts.isEmpty());
    const QStringList fromSources = sourceKeys();
    EXPECT_GT(fromSources.size(), 100) << "the scan of " QX4_SOURCE_DIR " found the program's keys";
    QStringList missing;
    for (const QString& key : fromSources + tableKeys() + layoutKeys().values()) {
        if (!hasKey(texts, key)) missing << key;
    }
    missing.removeDuplicates();
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
}

TEST(Languages, EveryTranslationHasEveryEnglishKeyWithItsPlaceholdersAndNoOtherKey) {
    const LanguageTexts texts = english();
    ASSERT_TRUE(translationFiles().contains(QStringLiteral("lan_de.xml")));
    for (const QString& file : translationFiles()) {
        const auto translated = readLanguageFile(resources().filePath(file));
        ASSERT_TRUE(translated) << file.toStdString();
        QStringList missing, unknown, changed;
        for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
            if (!translated->contains(text.key())) {
                missing << text.key();
            } else if (placeholders(text.value()) != placeholders(translated->value(text.key())) ||
                       translated->value(text.key()).trimmed().isEmpty()) {
                changed << text.key();
            }
        }
        for (auto text = translated->cbegin(); text != translated->cend(); ++text) {
            if (!texts.contains(text.key())) unknown << text.key();
        }
        EXPECT_TRUE(missing.isEmpty()) << file.toStdString() << " lacks " << missing.join(", ").toStdString();
        EXPECT_TRUE(changed.isEmpty()) << file.toStdString() << " loses placeholders in " << changed.join(", ").toStdString();
        EXPECT_TRUE(unknown.isEmpty()) << file.toStdString() << " has keys English lacks: " << unknown.join(", ").toStdString();
    }
}

TEST(Languages, DurationsAreWrittenAsTheShownLanguageWritesThemWhateverTheSystemSays) {
    ResourceManager& manager = ResourceManager::instance();
    const QLocale system;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));  // which would write "1 252"
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE", "1.252 ms"}, {"en_GB", "1,252 ms"}, {"fr_FR", "1,252 ms"}};  // no French texts: English
    for (const auto& [language, shown] : cases) {
        ASSERT_TRUE(manager.loadLanguageFor(QLocale(QString::fromLatin1(language))));
        EXPECT_EQ(millisecondsText(1252).toStdString(), shown) << language;
    }
    QLocale::setDefault(system);
    manager.loadLanguageFor(QLocale(QLocale::English, QLocale::UnitedStates));
}

// A scratch resource folder for the shared manager, which gets the program's English back after.
class LocaleChoice : public testing::Test {
protected:
    ~LocaleChoice() override {
        manager_.setResourceDirectory(resources_);
        manager_.loadLanguageFor(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void write(const QString& name, const QByteArray& content) {
        QFile file(folder_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    ResourceManager& manager_ = ResourceManager::instance();
    const QDir resources_ = manager_.resourceDirectory();
    QTemporaryDir folder_;
};

TEST_F(LocaleChoice, TheLocaleLanguageIsLaidOverEnglishAndEnglishFillsWhatItLacks) {
    write("lan.xml", R"(<Language><Text key="a">Apply</Text><Text key="b">Cancel</Text></Language>)");
    write("lan_de.xml", R"(<Language><Text key="a">Übernehmen</Text></Language>)");
    manager_.setResourceDirectory(QDir(folder_.path()));
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE", "Übernehmen"}, {"de_AT", "Übernehmen"}, {"en_US", "Apply"}, {"fr_FR", "Apply"}, {"C", "Apply"}};
    for (const auto& [locale, apply] : cases) {
        ASSERT_TRUE(manager_.loadLanguageFor(QLocale(QString::fromLatin1(locale))));
        EXPECT_EQ(manager_.text("a").toStdString(), apply) << locale;
        EXPECT_EQ(manager_.text("b").toStdString(), "Cancel") << locale;
    }

    write("lan_de.xml", R"(<Language><Text key="a">Über)");
    ASSERT_TRUE(manager_.loadLanguageFor(QLocale(QStringLiteral("de_DE")))) << "a damaged translation leaves English";
    EXPECT_EQ(manager_.text("a").toStdString(), "Apply");

    QFile::remove(folder_.filePath("lan.xml"));
    EXPECT_FALSE(manager_.loadLanguageFor(QLocale(QStringLiteral("de_DE"))));
}

}  // namespace
}  // namespace qx4::gui::test
