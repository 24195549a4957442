#include "gui/app/pending_edits_prompt.h"

#include <QLocale>

#include <algorithm>

#include "core/config/record_bytes.h"
#include "core/macro/macro_store.h"
#include "gui/common/diagnostics.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

namespace {
bool sameRecord(const DeviceConfig& a, const DeviceConfig& b) {
    return std::ranges::equal(recordBytes(a), recordBytes(b));
}
}  // namespace

PendingEditsPrompt::Outcome PendingEditsPrompt::ask(QWidget* parent) {
    if (asking_) return {Answer::asking, std::nullopt};
    const int count = session_.editsNotSent();
    if (count == 0) return {Answer::nothingPending, std::nullopt};
    if (kept_ && sameRecord(*kept_, session_.record())) return {Answer::kept, std::nullopt};

    const QString textKey = count == 1 ? QStringLiteral("pending_one_text") : QStringLiteral("pending_many_text");
    CMsgWnd box(parent, QStringLiteral("pending_title_text"), textKey);
    const ResourceManager& texts = ResourceManager::instance();
    box.setText(texts.text(textKey).arg(QLocale().toString(count)));
    box.setDetails(texts.text(QStringLiteral("pending_choices_text")), QString());
    box.offerChoices(QStringLiteral("pending_apply_text"), QStringLiteral("pending_keep_text"),
                     QStringLiteral("pending_discard_text"));
    asking_ = true;
    const int choice = box.showModal();
    asking_ = false;
    qCDebug(lcApp, "%d edits not on the mouse: %s", count,
            choice == CMsgWnd::kConfirmed ? "apply" : choice == CMsgWnd::kAlternative ? "discard" : "keep");
    kept_.reset();
    if (choice == CMsgWnd::kConfirmed) {
        if (!page_.takeOpenEdits()) return {Answer::stay, std::nullopt};
        return {Answer::applying, session_.apply(false)};
    }
    if (choice == CMsgWnd::kAlternative) {
        page_.discardEdits();
        return {Answer::discarded, std::nullopt};
    }
    session_.saveDataFilesNow(false);
    kept_ = std::make_unique<DeviceConfig>(session_.record());
    return {Answer::kept, std::nullopt};
}

}  // namespace qx4::gui
