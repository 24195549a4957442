// Stops a fuzz run on a broken invariant, naming it; libFuzzer keeps the input as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace qx4::fuzz {

inline void require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant failed: %s\n", invariant);
    std::abort();
}

}  // namespace qx4::fuzz
