// How the apply worker hands a report to the mouse. DeviceLink is the real writer; tests and the
// benchmark substitute their own.
#pragma once

#include <stop_token>

#include "core/device/link_state.h"
#include "core/device/reports.h"

namespace qx4 {

struct WriteResult {
    bool written = false;
    Link link = Link::receiver;  // the link the report went to
};

class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    // Writes one report over the link that carries it now and, when the write succeeded, waits
    // out that link's pause. A stop request cuts the pause short.
    virtual WriteResult writeReport(const FeatureReport& report, std::stop_token stop) = 0;
};

}  // namespace qx4
