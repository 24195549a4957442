// The program's layouts and texts: every control the code looks up is there (the window walk checks
// names, Tab and panels); every text the program shows exists in English
// and in every translation beside it, with the English placeholders, and the desktop's locale picks
// the translation. And its message box's answers.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

#include "core/vocab/function_catalogue.h"
#include "core/vocab/key_codes.h"
#include "gui/common/control_lookup.h"
#include "gui/common/msg_wnd.h"
#include "gui/macro/macro_step_list.h"
#include "tests/support/app_harness.h"

namespace qx4::gui::test {
namespace {

// A control the layout lacks is noted, not a crash (the window walk checks that no window misses one).
TEST(Layouts, AControlTheLayoutLacksIsNotedAndTheMessageBoxAnswers) {
    clearMissedControls();
    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    requireControl<QAbstractButton>(&window, "renamed_btn")->click();
    EXPECT_EQ(missedControls(), QStringList{"window/renamed_btn"});
    clearMissedControls();

    // The message box's answers: confirm gives 1, cancel or closing it from the window manager 0.
    for (const auto& [answer, result] : {std::pair{"confirm_btn", 1}, {"cancel_btn", 0}, {"", 0}}) {
        int given = -1;
        answerModal<CMsgWnd>([&, name = answer](CMsgWnd& box) { *name ? box.findChild<QAbstractButton*>(name)->click() : box.reject(); },
                             [&] {
                                 CMsgWnd box(nullptr, QStringLiteral("reset_title_text"), QStringLiteral("restore_text"));
                                 box.offerChoices(QStringLiteral("reset_confirm_text"), QStringLiteral("cancel_text"), {});
                                 given = box.showModal();
                             });
        EXPECT_EQ(given, result) << answer;
    }
}

QDir resources() { return ResourceManager::instance().resourceDirectory(); }

// The first group of each match of `pattern` in the files under `folder`.
QStringList matchesIn(const QString& folder, const QStringList& files, const QRegularExpression& pattern) {
    QStringList found;
    QDirIterator each(folder, files, QDir::Files, QDirIterator::Subdirectories);
    while (each.hasNext()) {
        QFile file(each.next());
        if (!file.open(QIODevice::ReadOnly)) ADD_FAILURE() << file.fileName().toStdString();
        for (const auto& match : pattern.globalMatch(QString::fromUtf8(file.readAll()))) found << match.captured(1);
    }
    return found;
}

// The keys the code names as string literals shaped like a key (object names are not); "%1" stands
// for a part the code fills in ("button_place_%1_text").
QStringList sourceKeys() {
    const QRegularExpression literal(QStringLiteral(R"re("([a-z][a-z0-9_]*(?:%1[a-z0-9_]*)?)")re"));
    const QRegularExpression keyShape(QStringLiteral(R"re(_text$|_action$|^wireless_lightmode%1$)re"));
    return matchesIn(QStringLiteral(QX4_SOURCE_DIR), {"*.cpp", "*.h"}, literal).filter(keyShape);
}

// The keys the layouts name in their text, tool tip, title and combo item properties, and the
// names the core's tables give to functions and key codes.
QStringList layoutAndTableKeys() {
    const QRegularExpression property(
        QStringLiteral(R"re(name="(?:textKey|toolTipKey|windowTitleKey|itemKeys)"[^>]*>\s*<string>([^<]*)<)re"));
    QStringList keys;
    for (const QString& value : matchesIn(resources().path(), {"*.xml"}, property)) {
        for (const QString& key : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) keys << key.trimmed();
    }
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

TEST(Languages, EveryKeyInUseHasAnEnglishTextAndEveryTranslationTheSameKeysWithTheirPlaceholders) {
    const LanguageTexts english = readLanguageFile(resources().filePath(QStringLiteral("lan.xml"))).value_or(LanguageTexts{});
    const QStringList fromSources = sourceKeys();
    EXPECT_GT(fromSources.size(), 100) << "the scan of " QX4_SOURCE_DIR " found the program's keys";
    QStringList missing;
    for (const QString& key : fromSources + layoutAndTableKeys()) {
        if (!hasKey(english, key)) missing << key;
    }
    missing.removeDuplicates();
    EXPECT_TRUE(missing.isEmpty()) << "lan.xml lacks " << missing.join(", ").toStdString();

    const QStringList translations = resources().entryList({QStringLiteral("lan_*.xml")}, QDir::Files);
    ASSERT_TRUE(translations.contains(QStringLiteral("lan_de.xml")));
    for (const QString& file : translations) {
        const auto translated = readLanguageFile(resources().filePath(file));
        ASSERT_TRUE(translated) << file.toStdString();
        QStringList wrong;
        for (auto text = english.cbegin(); text != english.cend(); ++text) {
            const QString shown = translated->value(text.key());
            if (shown.trimmed().isEmpty() || placeholders(text.value()) != placeholders(shown)) wrong << text.key();
        }
        EXPECT_TRUE(wrong.isEmpty()) << file.toStdString() << " lacks or loses placeholders in " << wrong.join(", ").toStdString();
        EXPECT_EQ(translated->size(), english.size()) << file.toStdString() << " has keys English lacks";
    }
}

// The shared manager, with a scratch resource folder where a test writes one; the program's English
// and the system's locale come back after.
class LocaleChoice : public testing::Test {
protected:
    ~LocaleChoice() override {
        QLocale::setDefault(system_);
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
    const QLocale system_;
    QTemporaryDir folder_;
};

// Durations are written as the shown language writes them, whatever the system says.
TEST_F(LocaleChoice, TheLocaleLanguageIsLaidOverEnglishAndEnglishFillsWhatItLacks) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));  // which would write "1 252"
    const std::pair<const char*, const char*> durations[] = {
        {"de_DE", "1.252 ms"}, {"en_GB", "1,252 ms"}, {"fr_FR", "1,252 ms"}};  // no French texts: English
    for (const auto& [language, shown] : durations) {
        ASSERT_TRUE(manager_.loadLanguageFor(QLocale(QString::fromLatin1(language))));
        EXPECT_EQ(millisecondsText(1252).toStdString(), shown) << language;
    }

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
