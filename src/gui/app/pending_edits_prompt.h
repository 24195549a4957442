// Before the window hides into the tray or the program ends with edits the mouse does not hold
// yet, asks once what to do with them: Apply, Keep for later or Discard. Edits kept for later are
// not asked about again until they change. Whatever the answer, the record is saved.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "core/config/device_config.h"

class QWidget;

namespace qx4::gui {

class CWirelessPage;
class MouseSession;

class PendingEditsPrompt {
public:
    enum class Answer {
        nothingPending,
        applying,   // the apply under `ticket` sends them
        kept,
        discarded,  // the record is back to what the mouse holds
        stay,       // an edit still open would store nothing: the window stays to say so
        asking,     // the question is open already (asked again from the tray meanwhile)
    };
    struct Outcome {
        Answer answer;
        std::optional<std::uint64_t> ticket;
    };

    PendingEditsPrompt(CWirelessPage& page, MouseSession& session) : page_(page), session_(session) {}

    Outcome ask(QWidget* parent);

private:
    CWirelessPage& page_;
    MouseSession& session_;
    std::unique_ptr<DeviceConfig> kept_;  // the record as it was when kept for later
    bool asking_ = false;
};

}  // namespace qx4::gui
