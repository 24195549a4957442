// Hook.so loaded as the program loads it, capturing input delivered to a window of this process
// where it cannot watch the whole desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "core/abi/window_messages.h"
#include "gui/common/hook_table.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/patience.h"

namespace qx4::gui {
namespace {

using test::Posted;

// Hook.so, bound as the program binds it, and what it posts for input to a window with a line
// edit in it.
class HookLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "hook_test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);  // lives to the end of the process, past Hook.so's own statics
    }
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(bindHookLibrary(hooks_, kHookLibraryFile, &error)) << error;
        ASSERT_TRUE(hooks_.installmousehook && hooks_.removemousehook && hooks_.enablemousehook && hooks_.installhook &&
                    hooks_.removehook && hooks_.enablehook && hooks_.mousewheelenable && hooks_.installtimedhook)
            << "an entry point is missing";
        (new QVBoxLayout(&top_))->addWidget(edit_);
        top_.show();
        edit_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&top_, qx4::test::kPatienceMs));
    }
    void TearDown() override {
        // Hook.so may stay loaded for the next test: its switches go back to how a fresh load has them.
        if (hooks_.enablemousehook) hooks_.enablemousehook(0);
        if (hooks_.mousewheelenable) hooks_.mousewheelenable(0);
        releaseHookLibrary(hooks_);
    }
    void click(Qt::Key key) { QTest::keyClick(top_.windowHandle(), key); }
    void click(Qt::MouseButton button) {
        QTest::mouseClick(top_.windowHandle(), button, Qt::NoModifier, edit_->mapTo(&top_, edit_->rect().center()));
    }
    std::vector<Posted> posted() { return recorder_.takeAll(); }

    test::RecordingSink recorder_;
    const qx4_message_sink* sink_ = recorder_.sink();
    QWidget top_;
    QLineEdit* edit_ = new QLineEdit(&top_);
    HookTable hooks_;
};

const Posted kAPress{UM_HOOK_INPUT, 0x41, 0};
const Posted kARelease{UM_HOOK_INPUT, 0x41, 1};

TEST_F(HookLibrary, PostsKeysOnceAndButtonsAndTheWheelOnlyWhileTheirPartIsOnUntilRemoved) {
    ASSERT_TRUE(hooks_.hookcapturescope);
    EXPECT_EQ(hooks_.hookcapturescope(), 0) << "without an X server for its windows it captures in them alone";
    EXPECT_EQ(hooks_.installhook(nullptr), 0);
    ASSERT_EQ(hooks_.installhook(sink_), 1);
    ASSERT_EQ(hooks_.installhook(sink_), 1);  // twice: still one filter
    click(Qt::Key_A);
    click(Qt::Key_F5);  // means nothing to a line edit: goes on to its parent, and is still posted once
    click(Qt::LeftButton);  // the mouse part starts off
    EXPECT_EQ(posted(), (std::vector<Posted>{kAPress, kARelease, {UM_HOOK_INPUT, 0x74, 0}, {UM_HOOK_INPUT, 0x74, 1}}));
    EXPECT_EQ(edit_->text(), "a");
    // A held key repeats as presses only.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(), true);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(), true);
    for (QKeyEvent* event : {&repeatRelease, &repeatPress}) QCoreApplication::sendEvent(top_.windowHandle(), event);
    EXPECT_EQ(posted(), (std::vector<Posted>{kAPress}));

    hooks_.enablemousehook(1);
    click(Qt::RightButton);
    click(Qt::ForwardButton);
    for (int enabled : {0, 1}) {
        hooks_.mousewheelenable(enabled);
        QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(top_.windowHandle(), &wheel);
    }
    EXPECT_EQ(posted(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x0204, 0},
                                             {UM_HOOK_INPUT, 0x0205, 0},
                                             {UM_HOOK_INPUT, 0x020B, 2},
                                             {UM_HOOK_INPUT, 0x020C, 2},
                                             {UM_HOOK_INPUT, 0x020A, -120}}));
    hooks_.enablehook(0);
    click(Qt::Key_A);
    hooks_.removemousehook();
    click(Qt::LeftButton);
    hooks_.enablehook(1);
    hooks_.removehook();
    click(Qt::Key_A);
    EXPECT_TRUE(posted().empty());
}

}  // namespace
}  // namespace qx4::gui
