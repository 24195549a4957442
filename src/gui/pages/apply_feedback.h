// What the window tells of applies. Edits the mouse does not hold yet turn the Apply button to the
// accent with their count and mark the tab of each page that holds some; while an apply runs the
// status line says how far it is (for the long kind, how long it takes over the link in use), and
// at its end whether everything arrived. What the mouse lacks and how far an apply has come, the
// mouse session tells.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <span>
#include <vector>

#include "core/device/apply_plan.h"
#include "core/device/link_state.h"
#include "gui/session/mouse_session.h"

class QAbstractButton;
class QWidget;

namespace qx4::gui {

class ApplyFeedback final : public QObject {
    Q_OBJECT
public:
    // Shows a line in the status line below the pages; problem: in the danger colour.
    using StatusLine = std::function<void(const QString& text, bool problem)>;

    ApplyFeedback(QAbstractButton* applyButton, const PresenceState& presence, StatusLine statusLine,
                  QObject* parent);
    // A tab whose page edits `sections`: it is marked while any of them is not on the mouse.
    void addTab(QAbstractButton* tabButton, std::span<const Section> sections);

    // An apply has started or written a report.
    void progressed(const ApplyProgress& progress);
    // An apply has ended; `progress` tells what did not arrive.
    void finished(const ApplyProgress& progress, int failed);
    // Shows on Apply and on the tabs the sections the mouse lacks.
    void showPending(const SectionFlags& pending);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tab {
        QAbstractButton* button;
        QWidget* mark;
        std::span<const Section> sections;
    };

    QAbstractButton* applyButton_;
    const PresenceState& presence_;
    StatusLine statusLine_;
    std::vector<Tab> tabs_;
    int pendingShown_ = -1;
};

}  // namespace qx4::gui
