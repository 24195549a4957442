#include "gui/pages/apply_feedback.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFrame>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "core/window_messages.h"
#include "gui/app/diagnostics.h"
#include "gui/app/resource_manager.h"
#include "gui/app/skin.h"
#include "gui/app/window_message.h"

namespace qx4::gui {

namespace {
QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

QString number(int value) { return QLocale().toString(value); }

// UM_APPLY_PROGRESS's lParam: 0 when the report arrived, else which section of which profile did not.
constexpr int kProfileField = 8;

constexpr int kMarkSide = 6;
constexpr int kMarkTop = 3;

std::intptr_t encodeFailure(const PlannedReport& planned) {
    return 1 + static_cast<std::intptr_t>(planned.section) * kProfileField + (planned.profile & (kProfileField - 1));
}

struct Failure {
    Section section;
    int profile;
};

Failure decodeFailure(std::intptr_t failure) {
    const auto code = static_cast<int>(failure - 1);
    return {static_cast<Section>(code / kProfileField), code % kProfileField};
}

const std::array<bool, kProfileCount>& flagsOf(const SectionFlags& flags, Section section) {
    switch (section) {
    case Section::dpi: return flags.dpiChanged;
    case Section::light: return flags.lightChanged;
    case Section::polling: return flags.pollingChanged;
    default: return flags.buttonsChanged;
    }
}

// "DPI (profile 2), buttons and macros (profiles 1, 2, 3, 4, 5)"
QString describeSections(const SectionFlags& flags) {
    static constexpr std::pair<Section, const char*> kNames[] = {{Section::dpi, "section_dpi_text"},
                                                                 {Section::polling, "section_rate_text"},
                                                                 {Section::light, "section_light_text"},
                                                                 {Section::buttons, "section_buttons_text"}};
    QStringList parts;
    for (const auto& [section, key] : kNames) {
        QStringList profiles;
        const auto& flagged = flagsOf(flags, section);
        for (std::size_t k = 0; k < flagged.size(); ++k) {
            if (flagged[k]) profiles << number(static_cast<int>(k) + 1);
        }
        if (profiles.isEmpty()) continue;
        parts << text(profiles.size() == 1 ? "section_profile_text" : "section_profiles_text")
                     .arg(text(key), profiles.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral(", "));
}
}  // namespace

void ApplyReporter::applyStarted(const ApplyStart& start) {
    postWindowMessage(target_, UM_APPLY_STARTED, static_cast<std::uintptr_t>(start.reports),
                      start.sendsButtons ? 1 : 0);
}

void ApplyReporter::reportWritten(const PlannedReport& planned, const WriteResult& result, int done) {
    qCDebug(lcApp, "report 0x%02x over the %s: %s", planned.report.bytes[0], linkParameters(result.link).name.data(),
            result.written ? "written" : "failed");
    postWindowMessage(target_, UM_APPLY_PROGRESS, static_cast<std::uintptr_t>(done),
                      result.written ? 0 : encodeFailure(planned));
}

void ApplyReporter::applyFinished(const ApplyOutcome& outcome) {
    postWindowMessage(target_, UM_APPLY_FINISHED, static_cast<std::uintptr_t>(outcome.sent), outcome.failed);
}

void ApplyReporter::applySkipped(ApplySkipReason reason) {
    postWindowMessage(target_, UM_APPLY_SKIPPED, reason == ApplySkipReason::mouseAsleep ? 1 : 0);
}

ApplyFeedback::ApplyFeedback(QAbstractButton* applyButton, const PresenceState& presence, StatusLine statusLine,
                             QObject* parent)
    : QObject(parent), applyButton_(applyButton), presence_(presence), statusLine_(std::move(statusLine)) {}

void ApplyFeedback::addTab(QAbstractButton* tabButton, std::span<const Section> sections) {
    auto* mark = new QFrame(tabButton);
    mark->setObjectName(QStringLiteral("pending_mark"));
    mark->setFixedSize(kMarkSide, kMarkSide);
    mark->setProperty("qx4role", QStringLiteral("pendingmark"));
    mark->setAttribute(Qt::WA_TransparentForMouseEvents);
    mark->hide();
    tabButton->installEventFilter(this);
    tabs_.push_back({tabButton, mark, sections});
}

// The mark sits in the tab's top right corner, above the end of its text.
bool ApplyFeedback::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (const Tab& tab : tabs_) {
            if (tab.button == watched) tab.mark->move(tab.button->width() - tab.mark->width(), kMarkTop);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ApplyFeedback::baseline(const DeviceConfig& loaded) {
    mouse_.setBaseline(std::make_shared<const DeviceConfig>(loaded), true);
}

void ApplyFeedback::handed(std::shared_ptr<const DeviceConfig> copy) { handed_.push_back(std::move(copy)); }

void ApplyFeedback::started(int reports, bool sendsButtons) {
    reports_ = reports;
    done_ = 0;
    sendsButtons_ = sendsButtons;
    notArrived_ = {};
    profileChoiceLost_ = false;
    showProgress();
}

void ApplyFeedback::progressed(int done, std::intptr_t failure) {
    done_ = done;
    if (failure != 0) {
        const Failure lost = decodeFailure(failure);
        notArrived_.mark(lost.section, lost.profile);
        profileChoiceLost_ = profileChoiceLost_ || lost.section == Section::profileSelect;
    }
    showProgress();
}

// Over the link that carries the reports now: its pause after each write is what an apply takes.
void ApplyFeedback::showProgress() {
    const int remaining = reports_ - done_;
    if (!sendsButtons_ || remaining <= 0) {
        statusLine_(text("apply_progress_text").arg(number(done_), number(reports_)), false);
        return;
    }
    const Link link = presence_.present(Link::cable) ? Link::cable : Link::receiver;
    const auto milliseconds = remaining * linkParameters(link).pauseAfterWrite.count();
    const int seconds = std::max(1, static_cast<int>(std::lround(static_cast<double>(milliseconds) / 1000.0)));
    const char* key = link == Link::cable ? "apply_progress_cable_text" : "apply_progress_receiver_text";
    statusLine_(text(key).arg(number(done_), number(reports_), number(seconds)), false);
}

void ApplyFeedback::finished(int failed) {
    if (!handed_.empty()) mouse_.applied(handed_.front(), notArrived_);
    ended();
    showEnd(failed);
}

void ApplyFeedback::showEnd(int failed) {
    if (failed == 0) {
        statusLine_(text("apply_sent_text"), false);
        return;
    }
    QString lost = describeSections(notArrived_);
    if (profileChoiceLost_) {
        lost = lost.isEmpty() ? text("section_profile_select_text")
                              : text("section_profile_select_text") + QStringLiteral(", ") + lost;
    }
    statusLine_(text("apply_failed_text").arg(lost), true);
}

void ApplyFeedback::skipped() { ended(); }

void ApplyFeedback::ended() {
    if (!handed_.empty()) handed_.pop_front();
    reports_ = done_ = 0;
}

void ApplyFeedback::mouseSwitched(const MouseSwitches& before, const DeviceConfig& current) {
    if (MouseSwitches::of(current) == before) return;
    mouse_.mouseSwitched(before, current);
    showPending(current);
}

void ApplyFeedback::showPending(const DeviceConfig& current) {
    const SectionFlags pending = mouse_.unapplied(current);
    const int count = pending.count();
    for (const Tab& tab : tabs_) {
        const bool marked = std::ranges::any_of(tab.sections, [&](Section section) { return pending.has(section); });
        tab.mark->setVisible(marked);
    }
    if (count == pendingShown_) return;
    pendingShown_ = count;
    ResourceManager::instance().setPlainText(applyButton_, count > 0 ? text("apply_count_text").arg(number(count))
                                                                     : text("apply_text"));
    setSkinProperty(applyButton_, "qx4role", count > 0 ? QStringLiteral("primary") : QString());
    qCDebug(lcApp, "not on the mouse: %d", count);
}

int ApplyFeedback::notHanded(const DeviceConfig& current) const {
    if (handed_.empty()) return mouse_.unapplied(current).count();
    MouseCopy afterThem;
    afterThem.setBaseline(handed_.back(), false);
    return afterThem.unapplied(current).count();
}

const DeviceConfig& ApplyFeedback::settledRecord() const {
    return handed_.empty() ? mouse_.record() : *handed_.back();
}

}  // namespace qx4::gui
