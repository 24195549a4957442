#include "gui/follow/rules_wnd.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "core/config/device_config.h"
#include "gui/common/control_lookup.h"
#include "gui/common/layout_window.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/follow/focus_follower.h"

namespace qx4::gui {

namespace {
QString profileName(int profile) { return text("profile_popup_text").arg(profile + 1); }
}  // namespace

RulesWnd::RulesWnd(QWidget* parent, FocusFollower& follower)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), follower_(follower) {
    setObjectName(QStringLiteral("RulesWnd"));
    setModal(true);
    buildWindowFromLayout(this, QStringLiteral("rules.xml"), 460, 440);
    follow_ = requireControl<QCheckBox>(this, "rules_follow_check");
    list_ = requireControl<QTreeWidget>(this, "rules_list");
    app_ = requireControl<QComboBox>(this, "rules_app_combo");
    profile_ = requireControl<QComboBox>(this, "rules_profile_combo");
    default_ = requireControl<QComboBox>(this, "rules_default_combo");
    note_ = requireControl<QLabel>(this, "rules_note_label");

    list_->setHeaderLabels({text("rules_app_header_text"), text("rules_profile_header_text")});
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    default_->addItem(text("rules_keep_text"));
    for (int profile = 0; profile < kProfileCount; ++profile) {
        profile_->addItem(profileName(profile));
        default_->addItem(profileName(profile));
    }
    showRecentApps();
    app_->setCurrentIndex(-1);
    app_->lineEdit()->setPlaceholderText(text("rules_app_placeholder_text"));
    app_->lineEdit()->setAccessibleName(app_->accessibleName());  // the part that takes the keyboard
    show(follower_.rules());
    note_->setText(follower_.loadProblem().isEmpty() ? follower_.statusText() : follower_.loadProblem());

    connect(&follower_, &FocusFollower::recentAppsChanged, this, &RulesWnd::showRecentApps);
    connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
        FocusRules rules = follower_.rules();
        rules.follow = on;
        change(rules);
    });
    connect(default_, &QComboBox::activated, this, [this](int index) {
        FocusRules rules = follower_.rules();
        rules.defaultProfile = index == 0 ? std::nullopt : std::optional<int>(index - 1);
        change(rules);
    });
    connect(requireControl<QAbstractButton>(this, "rules_add_btn"), &QAbstractButton::clicked, this, &RulesWnd::addRule);
    connect(requireControl<QAbstractButton>(this, "rules_remove_btn"), &QAbstractButton::clicked, this,
            &RulesWnd::removeRule);
    connect(requireControl<QAbstractButton>(this, "rules_up_btn"), &QAbstractButton::clicked, this,
            [this] { moveRule(-1); });
    connect(requireControl<QAbstractButton>(this, "rules_down_btn"), &QAbstractButton::clicked, this,
            [this] { moveRule(1); });
    connect(requireControl<QAbstractButton>(this, "rules_close_btn"), &QAbstractButton::clicked, this,
            [this] { done(0); });
}

void RulesWnd::showModal() {
    setGeometry(centredGeometry(this, parentWidget()));
    exec();
}

void RulesWnd::show(const FocusRules& rules) {
    const QSignalBlocker blockFollow(follow_);
    follow_->setChecked(rules.follow);
    default_->setCurrentIndex(rules.defaultProfile ? *rules.defaultProfile + 1 : 0);
    const int selected = list_->currentIndex().row();
    list_->clear();
    for (const FocusRule& rule : rules.rules) {
        new QTreeWidgetItem(list_, {QString::fromStdString(rule.app), profileName(rule.profile)});
    }
    if (selected >= 0 && selected < list_->topLevelItemCount()) list_->setCurrentItem(list_->topLevelItem(selected));
}

// Applications brought to the front while the window is open join the list; what is typed stays.
void RulesWnd::showRecentApps() {
    const QString typed = app_->currentText();
    app_->clear();
    for (const std::string& app : follower_.recentApps()) app_->addItem(QString::fromStdString(app));
    app_->setCurrentIndex(-1);
    app_->setEditText(typed);
}

void RulesWnd::change(FocusRules rules) {
    const QString error = follower_.changeRules(rules);
    note_->setText(error.isEmpty() ? QString() : text("rules_save_failed_text").arg(error));
    show(follower_.rules());
}

void RulesWnd::addRule() {
    const std::string app = app_->currentText().trimmed().toStdString();
    if (!isRuleAppName(app)) {
        note_->setText(text("rules_bad_app_text"));
        return;
    }
    FocusRules rules = follower_.rules();
    rules.set(app, profile_->currentIndex());
    change(rules);
    const auto added = rules.find(app) - rules.rules.begin();
    list_->setCurrentItem(list_->topLevelItem(static_cast<int>(added)));
}

void RulesWnd::removeRule() {
    const int row = list_->currentIndex().row();
    FocusRules rules = follower_.rules();
    if (row < 0 || row >= static_cast<int>(rules.rules.size())) return;
    rules.rules.erase(rules.rules.begin() + row);
    change(rules);
}

void RulesWnd::moveRule(int by) {
    const int row = list_->currentIndex().row();
    const int to = row + by;
    FocusRules rules = follower_.rules();
    if (row < 0 || to < 0 || to >= static_cast<int>(rules.rules.size())) return;
    std::swap(rules.rules[static_cast<std::size_t>(row)], rules.rules[static_cast<std::size_t>(to)]);
    change(rules);
    list_->setCurrentItem(list_->topLevelItem(to));
}

void switchFollowing(QWidget* parent, FocusFollower& follower) {
    FocusRules rules = follower.rules();
    rules.follow = !rules.follow;
    if (!follower.changeRules(rules).isEmpty()) {
        runMessageBox(parent, QStringLiteral("warning_title_text"), QStringLiteral("settings_failed_text"));
    }
}

}  // namespace qx4::gui
