// What the window tells of applies. Edits the mouse does not hold yet turn the Apply button to the
// accent with their count and mark the tab of each page that holds some; while an apply runs the
// status line says how far it is (for the long kind, how long it takes over the link in use), and
// at its end whether everything arrived. It keeps the UI thread's own copy of what the mouse holds,
// built from what the worker reports: the worker's own is never read.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "core/device/apply_worker.h"
#include "core/device/link_state.h"

class QAbstractButton;
class QWidget;

namespace qx4::gui {

// Posts the worker's reports to the UI thread as window messages; never touches a widget.
class ApplyReporter final : public ApplyListener {
public:
    explicit ApplyReporter(QObject* target) : target_(target) {}
    void applyStarted(const ApplyStart& start) override;
    void reportWritten(const PlannedReport& planned, const WriteResult& result, int done) override;
    void applyFinished(const ApplyOutcome& outcome) override;
    void applySkipped(ApplySkipReason reason) override;

private:
    QObject* target_;
};

class ApplyFeedback final : public QObject {
    Q_OBJECT
public:
    // Shows a line in the status line below the pages; problem: in the danger colour.
    using StatusLine = std::function<void(const QString& text, bool problem)>;

    ApplyFeedback(QAbstractButton* applyButton, const PresenceState& presence, StatusLine statusLine,
                  QObject* parent);
    // A tab whose page edits `sections`: it is marked while any of them is not on the mouse.
    void addTab(QAbstractButton* tabButton, std::span<const Section> sections);

    // The record as loaded; the first apply will be a full download.
    void baseline(const DeviceConfig& loaded);
    // The worker was handed a request with this copy of the record.
    void handed(std::shared_ptr<const DeviceConfig> copy);
    // The worker's reports (UM_APPLY_STARTED, UM_APPLY_PROGRESS, UM_APPLY_FINISHED, UM_APPLY_SKIPPED),
    // which end the requests in the order they were handed.
    void started(int reports, bool sendsButtons);
    void progressed(int done, std::intptr_t failure);
    void finished(int failed);
    void skipped();
    // Around a device notification: what the mouse switched by itself is on the mouse.
    void mouseSwitched(const MouseSwitches& before, const DeviceConfig& current);

    // Shows on Apply and on the tabs what of `current` the mouse lacks.
    void showPending(const DeviceConfig& current);
    // Sections of `current` the mouse will still lack once the applies under way have ended.
    int notHanded(const DeviceConfig& current) const;
    // What the mouse holds once the applies under way have ended.
    const DeviceConfig& settledRecord() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tab {
        QAbstractButton* button;
        QWidget* mark;
        std::span<const Section> sections;
    };
    void showProgress();
    void showEnd(int failed);
    void ended();

    QAbstractButton* applyButton_;
    const PresenceState& presence_;
    StatusLine statusLine_;
    std::vector<Tab> tabs_;
    MouseCopy mouse_;
    std::deque<std::shared_ptr<const DeviceConfig>> handed_;  // oldest first
    int pendingShown_ = -1;
    // The apply running now.
    int reports_ = 0;
    int done_ = 0;
    bool sendsButtons_ = false;
    SectionFlags notArrived_;
    bool profileChoiceLost_ = false;
};

}  // namespace qx4::gui
