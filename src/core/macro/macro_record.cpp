#include "core/macro/macro_record.h"

#include <algorithm>

#include "core/config/utf16_text.h"

namespace qx4 {
namespace {

// Names are compared the way a user reads them: capitals of ASCII, Latin-1, Greek and Cyrillic
// fold to their small letters. Other scripts compare exactly.
char16_t foldCase(char16_t unit) {
    if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 0x20);
    if ((unit >= 0x00C0 && unit <= 0x00DE && unit != 0x00D7) ||  // Latin-1 capitals
        (unit >= 0x0391 && unit <= 0x03AB && unit != 0x03A2) ||  // Greek capitals
        (unit >= 0x0410 && unit <= 0x042F)) {                    // Cyrillic capitals
        return static_cast<char16_t>(unit + 0x20);
    }
    if (unit >= 0x0400 && unit <= 0x040F) return static_cast<char16_t>(unit + 0x50);
    return unit;
}

}  // namespace

std::u16string macroNameText(const MacroName& name) { return std::u16string(fixedTextView(name)); }

MacroName toMacroName(std::u16string_view text) {
    MacroName name{};
    writeFixedText(name, text);
    return name;
}

bool sameMacroName(std::u16string_view a, std::u16string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

void normalizeMacroRecord(MacroRecord& record) {
    record.actionCount = std::clamp<std::int32_t>(record.actionCount, 0, kMacroActionCapacity);
    record.name.back() = u'\0';
}

}  // namespace qx4
