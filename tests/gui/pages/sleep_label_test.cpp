// The sleep label's sentence and the Sleep button function's name are two texts, not one key.
#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "core/vocab/function_catalogue.h"
#include "gui/common/layout_loader.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {
namespace {

TEST(SleepTexts, TheSleepLabelAndTheSleepFunctionEachHaveTheirOwn) {
    // The main layout's own pages stand in as plain widgets: only its labels matter here.
    LayoutLoader loader([](const QString& className, QWidget* parent) -> QWidget* {
        return className.startsWith(QLatin1Char('Q')) ? nullptr : new QWidget(parent);
    });
    const std::unique_ptr<QWidget> main(loader.load(QStringLiteral("main.xml"), nullptr));
    ASSERT_TRUE(main);
    auto* label = main->findChild<QLabel*>(QStringLiteral("wireless_sleep_label"));
    ASSERT_TRUE(label);
    constexpr std::uint8_t kSleepFunction = 118;
    const QString functionName = ResourceManager::instance().text(QString::fromStdU16String(
        std::u16string(functionTextKey(kSleepFunction))));
    EXPECT_EQ(functionName, "Sleep");
    EXPECT_TRUE(label->text().contains(QStringLiteral("wake"))) << label->text().toStdString();
}

}  // namespace
}  // namespace qx4::gui
