// The profile file buttons' actions through the real file dialog and warning box.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/config/profile_file.h"
#include "core/macro/macro_store.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/pages/profile_actions.h"
#include "page_test_support.h"

namespace qx4::gui {
namespace {

using test::changedBytes;

// Answers the next window of type Window as soon as it is shown, from inside the event loop that
// shows it: a zero-interval timer looks for it on every pass of the loop.
template <typename Window>
class AnswerWhenShown {
public:
    explicit AnswerWhenShown(std::function<void(Window&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (Window* window = test::findTopLevel<Window>()) {
                timer_.stop();
                answered_ = true;
                answer_(*window);
            }
        });
        timer_.start(0);
    }
    bool answered() const { return answered_; }

private:
    std::function<void(Window&)> answer_;
    QTimer timer_;
    bool answered_ = false;
};

void choose(QFileDialog& dialog, const QString& file) {
    dialog.selectFile(file);
    static_cast<QDialog&>(dialog).accept();  // as the dialog's own button does
}

class ProfileActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("QX4_DATA_DIR", QFile::encodeName(folder.path()));
        QDir().mkpath(profileFolder());
        record = test::defaultRecord();
        record->activeProfile = 1;
        record->profiles[1].dpiValuesX[2] = 33;
    }
    void TearDown() override { qunsetenv("QX4_DATA_DIR"); }

    QString profileFolder() const { return QString::fromStdString((dataDirectory() / "ms_1").string()); }

    QTemporaryDir folder;
    std::unique_ptr<DeviceConfig> record;
    MacroList macros;
};

TEST_F(ProfileActionsTest, ExportOffersProfileFilesInTheDataFolderAndAddsTheSuffix) {
    QString shownFolder;
    QStringList shownFilters;
    AnswerWhenShown<QFileDialog> answer([&](QFileDialog& dialog) {
        shownFolder = dialog.directory().absolutePath();
        shownFilters = dialog.nameFilters();
        choose(dialog, QDir(profileFolder()).filePath(QStringLiteral("fps")));
    });
    EXPECT_TRUE(exportActiveProfile(nullptr, *record));
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(QDir(shownFolder), QDir(profileFolder()));
    EXPECT_EQ(shownFilters, QStringList{QStringLiteral("Profile Flie (*.pro *.PRO)")});

    QFile written(QDir(profileFolder()).filePath(QStringLiteral("fps.pro")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    ASSERT_EQ(static_cast<std::size_t>(bytes.size()), kProfileFileSize);
    EXPECT_EQ(std::memcmp(bytes.constData(), &record->profiles[1], kProfileFileSize), 0);
}

TEST_F(ProfileActionsTest, CancellingEitherDialogChangesNothing) {
    const DeviceConfig before = *record;
    {
        AnswerWhenShown<QFileDialog> answer([](QFileDialog& dialog) { dialog.reject(); });
        EXPECT_FALSE(exportActiveProfile(nullptr, *record));
        EXPECT_TRUE(answer.answered());
    }
    {
        AnswerWhenShown<QFileDialog> answer([](QFileDialog& dialog) { dialog.reject(); });
        EXPECT_FALSE(importIntoActiveProfile(nullptr, *record, macros));
        EXPECT_TRUE(answer.answered());
    }
    EXPECT_EQ(changedBytes(before, *record), "");
    EXPECT_TRUE(QDir(profileFolder()).isEmpty());
}

TEST_F(ProfileActionsTest, AFileOfTheWrongSizeIsRefusedWithAWarningAndChangesNothing) {
    const QString file = QDir(profileFolder()).filePath(QStringLiteral("notes.pro"));
    QFile bad(file);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(1000, '\x11'));
    bad.close();
    const DeviceConfig before = *record;

    QString warning;
    AnswerWhenShown<CMsgWnd> warned([&](CMsgWnd& box) {
        if (auto* text = box.findChild<QLabel*>(QStringLiteral("warning"))) warning = text->text();
        box.done(CMsgWnd::kConfirmed);
    });
    AnswerWhenShown<QFileDialog> answer([&](QFileDialog& dialog) { choose(dialog, file); });
    EXPECT_FALSE(importIntoActiveProfile(nullptr, *record, macros));
    EXPECT_TRUE(answer.answered());
    ASSERT_TRUE(warned.answered());
    EXPECT_EQ(warning, ResourceManager::instance().text(QStringLiteral("profile_wrong_size_text")));
    EXPECT_NE(warning, QStringLiteral("profile_wrong_size_text"));
    EXPECT_EQ(changedBytes(before, *record), "");
    EXPECT_TRUE(macros.empty());
}

}  // namespace
}  // namespace qx4::gui
