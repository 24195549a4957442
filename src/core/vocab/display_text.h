// A name the core hands to a display: either literal text or a key of the language file, which
// the UI resolves (the core reads no language file).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qx4 {

struct DisplayText {
    std::u16string text;
    bool isLanguageKey = false;

    friend bool operator==(const DisplayText&, const DisplayText&) = default;
};

// Language text of a key; what it returns for a key it lacks is the caller's choice.
using LanguageLookup = std::function<std::u16string(std::u16string_view key)>;

inline std::u16string resolveText(const DisplayText& name, const LanguageLookup& lookup) {
    return name.isLanguageKey ? lookup(name.text) : name.text;
}

}  // namespace qx4
