#include "core/device/dpi_steps.h"

#include <algorithm>
#include <vector>

#include "core/device/report_formats.h"
#include "core/device/reports.h"

namespace qx4 {
namespace {

// The sensor code of a table index stands for index x 100 DPI; index 0 shares its code with
// index 1, so the last index that carries the code names the DPI.
int dpiOfCode(DpiCode code) {
    const auto last = std::find(kDpiCodeTable.rbegin(), kDpiCodeTable.rend(), code.code);
    const int index = static_cast<int>(kDpiCodeTable.rend() - last) - 1;
    return index * kDpiPerHundred * (code.doubleRange ? 2 : 1);
}

std::vector<std::int32_t> buildSteps() {
    // Above this every value lands on the table's last entry in double range.
    const auto highest = static_cast<std::int32_t>(2 * kDpiCodeTable.size());
    std::vector<std::int32_t> steps;
    int lastDpi = 0;
    for (std::int32_t value = 1; value <= highest; ++value) {
        const int dpi = effectiveDpi(value);
        if (dpi <= lastDpi) continue;
        steps.push_back(value);
        lastDpi = dpi;
    }
    return steps;
}

}  // namespace

int effectiveDpi(std::int32_t storedValue) { return dpiOfCode(dpiSensorCode(storedValue)); }

std::span<const std::int32_t> dpiSteps() {
    static const std::vector<std::int32_t> steps = buildSteps();
    return steps;
}

int lowestDpi() { return effectiveDpi(dpiSteps().front()); }
int highestDpi() { return effectiveDpi(dpiSteps().back()); }

std::size_t dpiStepFor(std::int32_t storedValue) {
    const std::span<const std::int32_t> steps = dpiSteps();
    const int dpi = effectiveDpi(storedValue);
    const auto step = std::lower_bound(steps.begin(), steps.end(), dpi,
                                       [](std::int32_t value, int wanted) { return effectiveDpi(value) < wanted; });
    return step == steps.end() ? steps.size() - 1 : static_cast<std::size_t>(step - steps.begin());
}

}  // namespace qx4
