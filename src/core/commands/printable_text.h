// Text from the data files on its way to a terminal. A name in a damaged or hostile file may hold
// anything; what could move the cursor, break or reorder the line, or hide characters is shown as
// U+FFFD instead.
#pragma once

#include <string>
#include <string_view>

namespace qx4::commands {

// UTF-8 with every control and format character (Cc, Cf: bidi overrides and isolates,
// zero-width and tag characters, ...), the line and paragraph separators and unpaired
// surrogates replaced by U+FFFD.
std::string printable(std::u16string_view text);

}  // namespace qx4::commands
