// How long a test waits for something due before it calls it lost. Only a backstop: every test
// waits for the event itself, and a sanitizer build on a busy two-core machine may take many
// times what an idle one takes, so no test passes or fails on this number.
#pragma once

namespace qx4::test {

inline constexpr int kPatienceMs = 60000;

}  // namespace qx4::test
