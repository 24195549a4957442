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

#include "gui/common/diagnostics.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"

namespace qx4::gui {

namespace {
QString number(int value) { return QLocale().toString(value); }

constexpr int kMarkSide = 6;
constexpr int kMarkTop = 3;

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

// Over the link that carries the reports now: its pause after each write is what an apply takes.
void ApplyFeedback::progressed(const ApplyProgress& progress) {
    const int remaining = progress.reports - progress.done;
    if (!progress.sendsButtons || remaining <= 0) {
        statusLine_(text("apply_progress_text").arg(number(progress.done), number(progress.reports)), false);
        return;
    }
    const Link link = presence_.present(Link::cable) ? Link::cable : Link::receiver;
    const auto milliseconds = remaining * linkParameters(link).pauseAfterWrite.count();
    const int seconds = std::max(1, static_cast<int>(std::lround(static_cast<double>(milliseconds) / 1000.0)));
    const char* key = link == Link::cable ? "apply_progress_cable_text" : "apply_progress_receiver_text";
    statusLine_(text(key).arg(number(progress.done), number(progress.reports), number(seconds)), false);
}

void ApplyFeedback::finished(const ApplyProgress& progress, int failed) {
    if (failed == 0) {
        statusLine_(text("apply_sent_text"), false);
        return;
    }
    QString lost = describeSections(progress.notArrived);
    if (progress.profileChoiceLost) {
        lost = lost.isEmpty() ? text("section_profile_select_text")
                              : text("section_profile_select_text") + QStringLiteral(", ") + lost;
    }
    statusLine_(text("apply_failed_text").arg(lost), true);
}

void ApplyFeedback::showPending(const SectionFlags& pending) {
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

}  // namespace qx4::gui
