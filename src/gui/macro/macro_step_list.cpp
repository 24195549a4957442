#include "gui/macro/macro_step_list.h"

#include <QLabel>
#include <QListWidget>

#include "core/edit/macro_draft.h"
#include "core/vocab/key_codes.h"
#include "gui/common/control_lookup.h"
#include "gui/common/elided_text.h"
#include "gui/common/layout_loader.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"

namespace qx4::gui {

namespace {
constexpr int kRowHeight = 30;

// The skin picks a row's images by these properties.
void setLook(QWidget* widget, const char* property, const char* value) {
    setSkinProperty(widget, property, QString::fromLatin1(value));
}
}  // namespace

QString stepKeyName(std::uint8_t code) {
    const std::u16string name = resolveText(keyCodeName(code), [](std::u16string_view key) {
        return ResourceManager::instance().text(QString::fromStdU16String(std::u16string(key))).toStdU16String();
    });
    if (name.empty()) {
        return text("macro_unknown_key_text").arg(QString::number(code, 16).rightJustified(2, u'0').toUpper());
    }
    return QString::fromStdU16String(name);
}

QString millisecondsText(std::uint32_t milliseconds) {
    return text("macro_milliseconds_text").arg(ResourceManager::instance().formatNumber(milliseconds));
}

MacroStepList::MacroStepList(QListWidget* list, QLabel* summary, QObject* parent)
    : QObject(parent), list_(list), summary_(summary) {
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    connect(list_, &QListWidget::currentRowChanged, this, &MacroStepList::onCurrentRowChanged);
}

MacroStepList::Row MacroStepList::makeRow() {
    LayoutLoader loader;
    QWidget* widget = loader.load(QStringLiteral("keylistitem.xml"), nullptr);
    if (!widget) widget = new QWidget;
    auto* item = new QListWidgetItem(list_);
    item->setSizeHint(QSize(0, kRowHeight));
    list_->setItemWidget(item, widget);
    return {requireControl<QLabel>(widget, "index"), requireControl<QLabel>(widget, "key"),
            requireControl<QLabel>(widget, "action"), requireControl<QLabel>(widget, "delay")};
}

// Rows are kept and refilled, so a recording adds one row per step instead of building them all.
void MacroStepList::resize(std::size_t count) {
    while (rows_.size() < count) rows_.push_back(makeRow());
    while (rows_.size() > count) {
        rows_.pop_back();
        delete list_->takeItem(list_->count() - 1);
    }
}

void MacroStepList::show(const MacroDraft& draft) {
    filling_ = true;
    const auto steps = draft.steps();
    resize(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const MacroAction& step = steps[i];
        const Row& row = rows_[i];
        const bool last = i + 1 == steps.size();
        row.index->setText(QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        showElided(row.key, stepKeyName(step.code));
        setLook(row.key, "source", isMouseButtonCode(step.code) ? "mouse" : "key");
        const bool press = step.kind == kMacroActionPress;
        row.action->setText(text(press ? "key_down_action" : "key_up_action"));
        setLook(row.action, "direction", press ? "down" : "up");
        row.delay->setText(millisecondsText(draft.shownDelay(i)));
        setLook(row.delay, "lastStep", last ? "true" : "false");
        // The row's labels are drawn over an item without text: a screen reader reads this instead.
        list_->item(static_cast<int>(i))
            ->setData(Qt::AccessibleTextRole, text("macro_step_access_text")
                                                  .arg(QString::number(i + 1), row.key->text(), row.action->text(),
                                                       row.delay->text()));
    }
    const auto selected = draft.selected();
    list_->setCurrentRow(selected ? static_cast<int>(*selected) : -1);
    if (selected) list_->scrollToItem(list_->item(static_cast<int>(*selected)));
    filling_ = false;

    summary_->setText(steps.empty() ? text("macro_no_steps_text")
                                    : text("macro_summary_text")
                                          .arg(steps.size())
                                          .arg(MacroDraft::kCapacity)
                                          .arg(millisecondsText(draft.totalDuration())));
}

void MacroStepList::onCurrentRowChanged(int row) {
    if (filling_) return;
    Q_EMIT stepChosen(row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row)));
}

}  // namespace qx4::gui
