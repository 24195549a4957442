// The program's layouts, and its message box's answers.
#include <gtest/gtest.h>

#include <QAbstractButton>

#include "app_harness.h"
#include "gui/app/about_wnd.h"
#include "gui/app/control_lookup.h"
#include "gui/app/dpi_msg.h"
#include "gui/app/msg_wnd.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_table.h"
#include "tests/gui/pages/page_test_support.h"

namespace qx4::gui::test {
namespace {

// Every window and page is built as the program builds it; none may have looked up a control its
// layout lacks (a renamed control would otherwise be silently left out).
TEST(Layouts, EveryControlTheProgramLooksUpIsInItsLayout) {
    clearMissedControls();
    {
        const AppHarness app;
        for (const PageKind& kind : pageTable()) delete kind.create(nullptr, kind);
        const CMsgWnd box(nullptr, QStringLiteral("warning_title_text"), QStringLiteral("restore_text"));
        const CAboutWnd about(nullptr);
        const CDPIMsg popup(nullptr, QStringLiteral("800 DPI"));
        const CDpiColorWnd dialog(nullptr);
    }
    EXPECT_EQ(missedControls().join(", ").toStdString(), "");

    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    requireControl<QAbstractButton>(&window, "renamed_btn")->click();
    EXPECT_EQ(missedControls(), QStringList{"window/renamed_btn"});
    clearMissedControls();
}

TEST(MessageBox, ConfirmGivesOneAndCancelOrClosingGivesZero) {
    const std::pair<const char*, int> answers[] = {{"confirm_btn", 1}, {"cancel_btn", 0}, {nullptr, 0}};
    for (const auto& answer : answers) {
        int result = -1;
        answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                if (answer.first) {
                    box.findChild<QAbstractButton*>(answer.first)->click();
                } else {
                    box.reject();  // closed from the window manager
                }
            },
            [&] { result = runMessageBox(nullptr, "warning_title_text", "restore_text"); });
        EXPECT_EQ(result, answer.second) << (answer.first ? answer.first : "closed");
    }
}

}  // namespace
}  // namespace qx4::gui::test
