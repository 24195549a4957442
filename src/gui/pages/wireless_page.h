// The device area of the main window: the profile bar, the tab bar over the settings pages, the
// power area, the apply button and the status line. It makes one tab per row of the page table and
// builds the tab's page when it is first shown (most of the start-up's work is in the pages), hands
// the pages their context, tells the built ones what happened through their hooks, and shows what
// the mouse session reports. The record, the links and the applies are the session's.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <vector>

#include "core/commands/edit_command.h"
#include "core/config/device_config.h"
#include "gui/common/settings_page.h"
#include "gui/session/mouse_session.h"

class QAbstractButton;
class QLabel;
class QStackedWidget;

namespace qx4::gui {

class ApplyFeedback;
class ControlFactory;
class PowerDisplay;

class CWirelessPage final : public QObject, public PageHost {
    Q_OBJECT
public:
    // mainWindow holds the layout with the page's controls; the pages come from `controls` by the
    // class names of the page table.
    CWirelessPage(QWidget* mainWindow, const ControlFactory& controls, MouseSession& session);
    ~CWirelessPage() override;

    // Finds the controls and builds the tabs; the session starts after this.
    void initPage();
    // What the pages share besides the session's data.
    void setCapture(CaptureService* capture);
    // Loads the macro store and the data file, shows the first tab (building its page, which reads the record) and
    // selects the active profile's button, and asks for the start-up download (a full one of what
    // the mouse last took).
    void loadAndDistribute();

    // What Apply does first: edits still open on the pages are stored. False, with a word in the
    // status line, when one would store nothing and stays open.
    bool takeOpenEdits();
    // The record goes back to what the mouse holds (once the applies under way have ended), the
    // pages show it and the data file is written.
    void discardEdits();
    // An edit of a page's own is open, which a change from outside could undo or be undone by.
    bool pagesHoldUnsavedEdits() const;

    // The status line below the pages: a problem in the danger colour, or a note.
    void showStatus(const QString& text, bool problem);

    // PageHost
    void requestApply(bool full) override;
    void tellDone(const QString& words) override;

private:
    struct Controls {
        std::array<QAbstractButton*, kProfileCount> profileButtons{};
        QAbstractButton* exportProfileButton = nullptr;
        QAbstractButton* importProfileButton = nullptr;
        QAbstractButton* resetProfileButton = nullptr;
        QWidget* rulesButton = nullptr;
        QAbstractButton* applyButton = nullptr;
        QStackedWidget* tabSwitch = nullptr;
        QWidget* applyRing = nullptr;
        QLabel* applyStatus = nullptr;
    };
    struct Tab {
        const PageKind* kind;
        QAbstractButton* button;
        SettingsPage* page = nullptr;  // built when the tab is first shown
    };

    void findControls();
    void buildTabs();
    // A page not built yet has nothing to show or keep; once the record is loaded, a page built
    // reads it as it is then, so it misses nothing that happened before.
    SettingsPage* buildPage(Tab& tab);
    std::vector<SettingsPage*> builtPages() const;
    void chainTabs();
    void connectControls();
    void connectSession();

    void onClick(QAbstractButton* sender);
    void onTabChosen(Tab& tab);
    void selectProfileWithNotification(int profile);
    void resetConfiguration();
    // Shows a change a qx4ctl command made as the pages' own edits show: the profile bar, every
    // page and the macro lists; after a reset, edits in progress end.
    void showOutsideChange(const commands::Effects& effects);
    void showLoadOutcome(const ConfigLoadResult& loaded);
    void onRecordEdited();
    void onMacroStoreChanged(bool bindingsChanged);

    void onApplyStarted(const ApplyProgress& progress);
    void onApplyFinished(const ApplyProgress& progress, int failed);
    void onApplySkipped(ApplySkipReason reason);
    void onSleepChanged(bool asleep);
    void onDpiLevelChanged(int level);
    void onActiveProfileChanged(int profile);
    void selectProfileButtonQuietly(int profile);
    void refreshPages();
    void showPending();
    void noteMacroStoreProblem();

    QWidget* mainWindow_;
    const ControlFactory& controlFactory_;
    MouseSession& session_;
    PageContext context_;
    Controls controls_;
    std::vector<Tab> tabs_;  // in page-table order; the tab layout holds the built pages in this order
    const Tab* shownTab_ = nullptr;
    PowerDisplay* power_ = nullptr;
    ApplyFeedback* feedback_ = nullptr;
    bool distributed_ = false;  // the pages have their context and the record is loaded
    bool statusIsNote_ = false;  // the status line holds a note, not a problem
    bool applyAsked_ = false;  // a page asked for an apply that has not started yet
    QString doneWords_;        // what tellDone said, for the apply asked with it
    QString doneWordsOfApply_;  // the same, while that apply runs
    QString macroStoreProblem_;  // why macro.data is not saved; shown whenever nothing else is
    QString loadProblem_;        // what loading the data file found, until the start's download ends
};

}  // namespace qx4::gui
