// The input-hook library: key conversion with synthesized key events, and Hook.so loaded as the
// program loads it, capturing input delivered to a window of this process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QTest>
#include <QWindow>
#include <thread>
#include <vector>

#include "core/abi/qx4_hook.h"
#include "core/window_messages.h"
#include "plugins/hook/key_conversion.h"

namespace qx4::gui {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "hook_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

struct KeyCase {
    int key;
    Qt::KeyboardModifiers modifiers;
    quint32 scanCode;
    quint32 keysym;
    int expected;  // -1: no virtual key
};

class KeyConversion : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyConversion, GivesTheWindowsVirtualKey) {
    const KeyCase& c = GetParam();
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.scanCode, c.keysym, 0);
    const auto virtualKey = virtualKeyFor(event);
    if (c.expected < 0) {
        EXPECT_FALSE(virtualKey) << std::hex << c.key;
    } else {
        ASSERT_TRUE(virtualKey) << std::hex << c.key;
        EXPECT_EQ(*virtualKey, c.expected) << std::hex << c.key;
    }
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kPad = Qt::KeypadModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

INSTANTIATE_TEST_SUITE_P(
    Letters, KeyConversion,
    ::testing::Values(KeyCase{Qt::Key_A, kNone, 38, 0x61, 0x41}, KeyCase{Qt::Key_A, kShift, 38, 0x41, 0x41},
                      KeyCase{Qt::Key_Z, Qt::ControlModifier, 0, 0, 0x5A}, KeyCase{Qt::Key_0, kNone, 0, 0, 0x30},
                      KeyCase{Qt::Key_9, kNone, 0, 0, 0x39}));

INSTANTIATE_TEST_SUITE_P(
    Keypad, KeyConversion,
    ::testing::Values(KeyCase{Qt::Key_0, kPad, 0, 0, 0x60}, KeyCase{Qt::Key_5, kPad, 0, 0, 0x65},
                      KeyCase{Qt::Key_9, kPad, 0, 0, 0x69}, KeyCase{Qt::Key_Asterisk, kPad, 0, 0, 0x6A},
                      KeyCase{Qt::Key_Plus, kPad, 0, 0, 0x6B}, KeyCase{Qt::Key_Enter, kPad, 0, 0, 0x6C},
                      KeyCase{Qt::Key_Minus, kPad, 0, 0, 0x6D}, KeyCase{Qt::Key_Period, kPad, 0, 0, 0x6E},
                      KeyCase{Qt::Key_Comma, kPad, 0, 0, 0x6E}, KeyCase{Qt::Key_Slash, kPad, 0, 0, 0x6F},
                      // Num Lock off: the keypad's navigation keys are the navigation keys.
                      KeyCase{Qt::Key_Home, kPad, 0, 0, 0x24}, KeyCase{Qt::Key_Clear, kPad, 0, 0, 0x0C},
                      KeyCase{Qt::Key_Insert, kPad, 0, 0, 0x2D}));

INSTANTIATE_TEST_SUITE_P(
    PunctuationOnAUsLayout, KeyConversion,
    ::testing::Values(KeyCase{Qt::Key_Semicolon, kNone, 0, 0, 0xBA}, KeyCase{Qt::Key_Colon, kShift, 0, 0, 0xBA},
                      KeyCase{Qt::Key_Equal, kNone, 0, 0, 0xBB}, KeyCase{Qt::Key_Plus, kShift, 0, 0, 0xBB},
                      KeyCase{Qt::Key_Comma, kNone, 0, 0, 0xBC}, KeyCase{Qt::Key_Less, kShift, 0, 0, 0xBC},
                      KeyCase{Qt::Key_Minus, kNone, 0, 0, 0xBD}, KeyCase{Qt::Key_Underscore, kShift, 0, 0, 0xBD},
                      KeyCase{Qt::Key_Period, kNone, 0, 0, 0xBE}, KeyCase{Qt::Key_Greater, kShift, 0, 0, 0xBE},
                      KeyCase{Qt::Key_Slash, kNone, 0, 0, 0xBF}, KeyCase{Qt::Key_Question, kShift, 0, 0, 0xBF},
                      KeyCase{Qt::Key_QuoteLeft, kNone, 0, 0, 0xC0}, KeyCase{Qt::Key_AsciiTilde, kShift, 0, 0, 0xC0},
                      KeyCase{Qt::Key_BracketLeft, kNone, 0, 0, 0xDB}, KeyCase{Qt::Key_BraceLeft, kShift, 0, 0, 0xDB},
                      KeyCase{Qt::Key_Backslash, kNone, 0, 0, 0xDC}, KeyCase{Qt::Key_Bar, kShift, 0, 0, 0xDC},
                      KeyCase{Qt::Key_BracketRight, kNone, 0, 0, 0xDD}, KeyCase{Qt::Key_BraceRight, kShift, 0, 0, 0xDD},
                      KeyCase{Qt::Key_Apostrophe, kNone, 0, 0, 0xDE}, KeyCase{Qt::Key_QuoteDbl, kShift, 0, 0, 0xDE},
                      KeyCase{Qt::Key_Exclam, kShift, 0, 0, 0x31}, KeyCase{Qt::Key_Asterisk, kShift, 0, 0, 0x38},
                      KeyCase{Qt::Key_ParenRight, kShift, 0, 0, 0x30}));

INSTANTIATE_TEST_SUITE_P(
    FunctionAndControlKeys, KeyConversion,
    ::testing::Values(KeyCase{Qt::Key_F1, kNone, 0, 0, 0x70}, KeyCase{Qt::Key_F12, kNone, 0, 0, 0x7B},
                      KeyCase{Qt::Key_F13, kNone, 0, 0, 0x7C}, KeyCase{Qt::Key_F24, kNone, 0, 0, 0x87},
                      KeyCase{Qt::Key_Escape, kNone, 0, 0, 0x1B}, KeyCase{Qt::Key_Return, kNone, 0, 0, 0x0D},
                      KeyCase{Qt::Key_Backspace, kNone, 0, 0, 0x08}, KeyCase{Qt::Key_Backtab, kShift, 0, 0, 0x09},
                      KeyCase{Qt::Key_Space, kNone, 0, 0, 0x20}, KeyCase{Qt::Key_CapsLock, kNone, 0, 0, 0x14},
                      KeyCase{Qt::Key_Print, kNone, 0, 0, 0x2C}, KeyCase{Qt::Key_Pause, kNone, 0, 0, 0x13},
                      KeyCase{Qt::Key_PageDown, kNone, 0, 0, 0x22}, KeyCase{Qt::Key_Up, kNone, 0, 0, 0x26},
                      KeyCase{Qt::Key_Delete, kNone, 0, 0, 0x2E}, KeyCase{Qt::Key_Menu, kNone, 0, 0, 0x5D},
                      KeyCase{Qt::Key_NumLock, kNone, 0, 0, 0x90}, KeyCase{Qt::Key_unknown, kNone, 0, 0, -1},
                      KeyCase{Qt::Key_Launch0, kNone, 0, 0, -1}));

INSTANTIATE_TEST_SUITE_P(
    ModifiersBySide, KeyConversion,
    ::testing::Values(KeyCase{Qt::Key_Shift, kShift, 50, 0xFFE1, 0xA0}, KeyCase{Qt::Key_Shift, kShift, 62, 0xFFE2, 0xA1},
                      KeyCase{Qt::Key_Shift, kShift, 0, 0xFFE2, 0xA1}, KeyCase{Qt::Key_Shift, kShift, 62, 0, 0xA1},
                      KeyCase{Qt::Key_Shift, kShift, 0, 0, 0xA0}, KeyCase{Qt::Key_Control, kNone, 37, 0xFFE3, 0xA2},
                      KeyCase{Qt::Key_Control, kNone, 105, 0xFFE4, 0xA3}, KeyCase{Qt::Key_Alt, kNone, 64, 0xFFE9, 0xA4},
                      KeyCase{Qt::Key_Alt, kNone, 108, 0xFFEA, 0xA5}, KeyCase{Qt::Key_AltGr, kNone, 108, 0xFE03, 0xA5},
                      KeyCase{Qt::Key_Super_L, kNone, 133, 0xFFEB, 0x5B}, KeyCase{Qt::Key_Super_R, kNone, 134, 0xFFEC, 0x5C},
                      KeyCase{Qt::Key_Meta, kNone, 133, 0xFFEB, 0x5B}, KeyCase{Qt::Key_Meta, kNone, 0, 0xFFEC, 0x5C}));

TEST(ButtonConversion, GivesTheButtonMessageAndXButtonNumber) {
    const std::vector<std::tuple<Qt::MouseButton, bool, std::uint32_t, std::intptr_t>> cases{
        {Qt::LeftButton, true, 0x0201, 0},    {Qt::LeftButton, false, 0x0202, 0},
        {Qt::RightButton, true, 0x0204, 0},   {Qt::RightButton, false, 0x0205, 0},
        {Qt::MiddleButton, true, 0x0207, 0},  {Qt::MiddleButton, false, 0x0208, 0},
        {Qt::BackButton, true, 0x020B, 1},    {Qt::BackButton, false, 0x020C, 1},
        {Qt::ForwardButton, true, 0x020B, 2}, {Qt::ForwardButton, false, 0x020C, 2},
    };
    for (const auto& [button, pressed, message, xButton] : cases) {
        const auto converted = buttonMessageFor(button, pressed);
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->message, message);
        EXPECT_EQ(converted->xButton, xButton);
    }
    EXPECT_FALSE(buttonMessageFor(Qt::NoButton, true));
    EXPECT_FALSE(buttonMessageFor(Qt::ExtraButton3, true));
}

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

// Hook.so, bound as the program binds it, and what it posts.
class HookLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application(); }
    void SetUp() override {
        module_ = ::dlopen(QX4_BIN_DIR "/Hook.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << ::dlerror();
        install = reinterpret_cast<qx4_installhook_fn>(::dlsym(module_, "installhook"));
        remove = reinterpret_cast<qx4_removehook_fn>(::dlsym(module_, "removehook"));
        enable = reinterpret_cast<qx4_enablehook_fn>(::dlsym(module_, "enablehook"));
        enableMouse = reinterpret_cast<qx4_enablemousehook_fn>(::dlsym(module_, "enablemousehook"));
        removeMouse = reinterpret_cast<qx4_removemousehook_fn>(::dlsym(module_, "removemousehook"));
        enableWheel = reinterpret_cast<qx4_mousewheelenable_fn>(::dlsym(module_, "mousewheelenable"));
        ASSERT_NE(::dlsym(module_, "installmousehook"), nullptr);
        ASSERT_TRUE(install && remove && enable && enableMouse && removeMouse && enableWheel);
        window_.resize(200, 100);
        window_.show();
    }
    void TearDown() override {
        if (remove) remove();
        if (enableMouse) enableMouse(0);
        if (enableWheel) enableWheel(0);
        if (module_) ::dlclose(module_);
    }
    std::vector<Posted> take() { return std::exchange(posted_, {}); }
    void click(Qt::Key key) { QTest::keyClick(&window_, key); }
    void click(Qt::MouseButton button) { QTest::mouseClick(&window_, button); }

    static void record(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        static_cast<HookLibrary*>(context)->posted_.push_back({message, wParam, lParam});
    }

    qx4_message_sink sink_{this, &HookLibrary::record};
    QWindow window_;
    qx4_installhook_fn install = nullptr;
    qx4_removehook_fn remove = nullptr;
    qx4_enablehook_fn enable = nullptr;
    qx4_enablemousehook_fn enableMouse = nullptr;
    qx4_removemousehook_fn removeMouse = nullptr;
    qx4_mousewheelenable_fn enableWheel = nullptr;

private:
    void* module_ = nullptr;
    std::vector<Posted> posted_;
};

const Posted kAPress{UM_HOOK_INPUT, 0x41, 0};
const Posted kARelease{UM_HOOK_INPUT, 0x41, 1};

TEST_F(HookLibrary, PostsEachKeyOnceAndButtonsOnlyWhileTheMousePartIsOn) {
    EXPECT_EQ(install(nullptr), 0);
    ASSERT_EQ(install(&sink_), 1);
    click(Qt::Key_A);
    click(Qt::LeftButton);  // the mouse part starts off
    EXPECT_EQ(take(), (std::vector<Posted>{kAPress, kARelease}));

    enableMouse(1);
    click(Qt::RightButton);
    click(Qt::BackButton);
    click(Qt::ForwardButton);
    EXPECT_EQ(take(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x0204, 0},
                                           {UM_HOOK_INPUT, 0x0205, 0},
                                           {UM_HOOK_INPUT, 0x020B, 1},
                                           {UM_HOOK_INPUT, 0x020C, 1},
                                           {UM_HOOK_INPUT, 0x020B, 2},
                                           {UM_HOOK_INPUT, 0x020C, 2}}));

    enable(0);
    click(Qt::Key_A);
    click(Qt::MiddleButton);
    EXPECT_EQ(take(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x0207, 0}, {UM_HOOK_INPUT, 0x0208, 0}}));

    removeMouse();
    enable(1);
    click(Qt::LeftButton);
    click(Qt::Key_A);
    EXPECT_EQ(take(), (std::vector<Posted>{kAPress, kARelease}));
}

TEST_F(HookLibrary, RemoveEndsTheCaptureAndInstallStartsItAgain) {
    ASSERT_EQ(install(&sink_), 1);
    enableMouse(1);
    remove();
    enable(1);
    click(Qt::Key_A);
    click(Qt::LeftButton);
    EXPECT_TRUE(take().empty());

    // The key part was switched off before the capture ended; installing turns it on again.
    enable(0);
    ASSERT_EQ(install(&sink_), 1);
    ASSERT_EQ(install(&sink_), 1);  // twice: still one filter, each key once
    click(Qt::Key_A);
    EXPECT_EQ(take(), (std::vector<Posted>{kAPress, kARelease}));
}

TEST_F(HookLibrary, HeldKeyRepeatsAsPressesAndOnlyWindowsAreWatched) {
    ASSERT_EQ(install(&sink_), 1);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, QString(), true);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QString(), true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier);
    for (QKeyEvent* event : {&press, &repeatRelease, &repeatPress, &release}) {
        QCoreApplication::sendEvent(&window_, event);
    }
    // An event that travels on to other objects after its window is not posted again.
    QObject other;
    QCoreApplication::sendEvent(&other, &press);
    EXPECT_EQ(take(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x42, 0},
                                           {UM_HOOK_INPUT, 0x42, 0},
                                           {UM_HOOK_INPUT, 0x42, 1}}));
}

TEST_F(HookLibrary, InputThatWidgetsPassOnIsPostedOnce) {
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    auto* edit = new QLineEdit(&top);
    layout->addWidget(edit);
    top.show();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    ASSERT_EQ(install(&sink_), 1);
    enableMouse(1);
    // F5 means nothing to a line edit, so it travels on to its parent.
    QTest::keyClick(top.windowHandle(), Qt::Key_F5);
    QTest::keyClick(top.windowHandle(), Qt::Key_Q);
    QTest::mouseClick(top.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      edit->mapTo(&top, edit->rect().center()));
    EXPECT_EQ(edit->text(), "q");
    EXPECT_EQ(take(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x74, 0},
                                           {UM_HOOK_INPUT, 0x74, 1},
                                           {UM_HOOK_INPUT, 0x51, 0},
                                           {UM_HOOK_INPUT, 0x51, 1},
                                           {UM_HOOK_INPUT, 0x0201, 0},
                                           {UM_HOOK_INPUT, 0x0202, 0}}));
}

TEST_F(HookLibrary, WheelIsPostedOnlyWhenEnabled) {
    ASSERT_EQ(install(&sink_), 1);
    const auto turn = [&] {
        QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&window_, &wheel);
    };
    turn();
    EXPECT_TRUE(take().empty());
    enableWheel(1);
    turn();
    EXPECT_EQ(take(), (std::vector<Posted>{{UM_HOOK_INPUT, 0x020A, -120}}));
}

TEST_F(HookLibrary, InstallFromAnotherThreadTakesEffectOnTheApplicationThread) {
    int result = 0;
    std::thread other([&] { result = install(&sink_); });
    other.join();
    EXPECT_EQ(result, 1);
    QCoreApplication::processEvents();  // the queued installation
    click(Qt::Key_A);
    EXPECT_EQ(take(), (std::vector<Posted>{kAPress, kARelease}));
}

}  // namespace
}  // namespace qx4::gui
