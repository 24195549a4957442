// How a send to the mouse ended, whoever sent: qx4ctl through its own link, or the running program.
#pragma once

namespace qx4::commands {

struct SendResult {
    enum class Kind { sent, noMouse, asleep, unavailable };
    Kind kind = Kind::sent;
    int sent = 0;    // reports the mouse took
    int failed = 0;  // reports it did not take
};

}  // namespace qx4::commands
