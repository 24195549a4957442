// The modal window "profiles for applications" (layout "rules.xml"), opened beside the profile
// buttons: lists the rules, adds one for an application seen lately or typed, removes and moves
// them, sets the default and switches automatic switching. Every change is saved at once; what
// could not be saved is said in the window, and the rules stay as they were.
#pragma once

#include <QDialog>

#include "core/rules/focus_rules.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTreeWidget;

namespace qx4::gui {

class FocusFollower;

class RulesWnd final : public QDialog {
    Q_OBJECT
public:
    RulesWnd(QWidget* parent, FocusFollower& follower);
    void showModal();

private:
    void show(const FocusRules& rules);
    void showRecentApps();
    void change(FocusRules rules);
    void addRule();
    void removeRule();
    void moveRule(int by);

    FocusFollower& follower_;
    QCheckBox* follow_;
    QTreeWidget* list_;
    QComboBox* app_;
    QComboBox* profile_;
    QComboBox* default_;
    QLabel* note_;
};

// Automatic switching the other way; what could not be saved is told in a warning box.
void switchFollowing(QWidget* parent, FocusFollower& follower);

}  // namespace qx4::gui
