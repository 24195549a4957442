// A *.pro file as an import takes it: only exactly one profile block is taken; afterwards every
// index and count is in range, each macro binding names the library macro it added, the record
// encodes to the documented reports, and the profile exported and imported again is the same.
#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"
#include "fuzz_support.h"
#include "tests/support/record_invariants.h"
#include "tests/support/sample_record.h"

namespace {

// The defaults with three macro bindings, so that edits start from what an export holds.
std::vector<std::byte> baseProfile() {
    auto profile = std::make_unique<qx4::ProfileSettings>();
    std::memset(profile.get(), 0, sizeof(qx4::ProfileSettings));
    qx4::applyProfileDefaults(*profile);
    for (const std::size_t button : {2, 5, 14}) {
        qx4::ButtonBinding& binding = profile->buttons[button];
        binding.functionCode = qx4::kMacroFunctionCode;
        binding.macroName = qx4::toMacroName(button == 14 ? u"" : u"A");
        binding.macroActionCount = 2;
        binding.macroActions[0] = {4, qx4::kMacroActionPress, 30};
        binding.macroActions[1] = {4, qx4::kMacroActionRelease, 0};
    }
    const auto bytes = qx4::recordBytes(*profile);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qx4::fuzz::require;
    // Allocated once: large blocks allocated in every run would cost more than the run itself.
    static const std::vector<std::byte> base = baseProfile();
    static qx4::fuzz::SteeredImage image;
    static const auto defaults = [] {
        auto record = qx4::test::newRecord();
        record->activeProfile = 1;
        return record;
    }();
    static const auto config = qx4::test::newRecord(false);
    static const auto again = qx4::test::newRecord(false);
    qx4::fuzz::steerImage({data, size}, base, image);

    *config = *defaults;
    qx4::MacroList macros;
    const qx4::ProfileImportResult result = qx4::importProfileImage(*config, macros, image.bytes, u"fuzz");
    if (image.bytes.size() != qx4::kProfileFileSize) {
        require(result.status == qx4::ProfileImportStatus::wrongSize && macros.empty(), "only one size is a profile");
        return 0;
    }
    require(result.status == qx4::ProfileImportStatus::imported && result.macrosAdded == macros.size(),
            "an import adds one macro per macro binding");
    require(qx4::test::firstOutOfRange(*config, static_cast<long long>(macros.size())).empty(),
            "indices and counts in range");
    for (const qx4::ButtonBinding& binding : config->active().buttons) {
        if (binding.functionCode != qx4::kMacroFunctionCode) continue;
        const qx4::MacroRecord& macro = macros.at(static_cast<std::size_t>(binding.macroIndex));
        require(macro.name == binding.macroName && macro.actionCount == binding.macroActionCount,
                "a macro binding points at the macro it added");
    }
    for (std::size_t i = 0; i < macros.size(); ++i) {
        require(qx4::findMacro(qx4::macroNameText(macros.at(i).name), macros) == i, "added names are unique");
    }
    qx4::fuzz::requireDocumentedReports(*config);

    *again = *defaults;
    qx4::MacroList otherMacros;
    qx4::importProfileImage(*again, otherMacros, qx4::recordBytes(config->active()), u"other");
    require(std::memcmp(&again->active(), &config->active(), sizeof(qx4::ProfileSettings)) == 0,
            "an exported profile imports back the same");
    return 0;
}
