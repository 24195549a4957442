// What a client may send the running program: the bytes arrive in two pieces at any split, a
// request is taken only whole and well-formed, and the command in it, run on the live record, is
// refused without a change or leaves every value in range.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "core/commands/edit_command.h"
#include "core/config/config_file.h"
#include "core/config/config_range.h"
#include "core/instance/instance_messages.h"
#include "fuzz_support.h"
#include "tests/support/macro_lists.h"
#include "tests/support/sample_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qx4::fuzz::require;
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = data[0] % (bytes.size() + 1);
    qx4::RequestDecoder decoder;
    decoder.feed(bytes.substr(0, split));
    const qx4::RequestDecoder::State state = decoder.feed(bytes.substr(split));
    require(state != qx4::RequestDecoder::State::malformed || !decoder.problem().empty(), "a refusal says why");
    if (state != qx4::RequestDecoder::State::complete) return 0;
    const qx4::InstanceRequest& request = decoder.request();
    require(qx4::encodeRequest(request) == bytes, "a request is taken only as its own encoding");

    const std::vector<std::string_view> arguments(request.arguments.begin(), request.arguments.end());
    const auto parsed = qx4::commands::parseEditCommand(arguments, "/nonexistent");
    const auto* command = std::get_if<qx4::commands::EditCommand>(&parsed);
    // Files are left alone: the fuzzer neither reads nor writes any.
    if (!command || std::holds_alternative<qx4::commands::ImportProfile>(command->action) ||
        std::holds_alternative<qx4::commands::ExportProfile>(command->action) ||
        std::holds_alternative<qx4::commands::ImportMacro>(command->action) ||
        std::holds_alternative<qx4::commands::ExportMacro>(command->action)) {
        return 0;
    }
    // Each input starts from the same two macros, so a finding replays alone.
    qx4::MacroList macros = qx4::test::listOf({u"Copy", u"fire"});
    auto config = qx4::test::newRecord();
    const auto before = qx4::test::copyOf(*config);
    const std::vector<std::byte> macrosBefore = qx4::encodeMacroStore(macros);
    const qx4::commands::EditOutcome outcome = qx4::commands::executeEdit(*command, {*config, macros});
    require(outcome.exitCode == 0 || outcome.exitCode == 1, "an edit is done or refused");
    if (outcome.exitCode != 0) {
        require(std::ranges::equal(qx4::recordBytes(*config), qx4::recordBytes(*before)), "a refused edit changes nothing");
        require(qx4::encodeMacroStore(macros) == macrosBefore, "a refused edit keeps the macros");
    }
    auto checked = qx4::test::copyOf(*config);
    require(!qx4::normalizeConfig(*checked, macros.size()), "an edit leaves every value in range");
    return 0;
}
