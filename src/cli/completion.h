// The lists scripts and the bash completion read: "functions --names", "macro list --names", and
// "qx4ctl --complete WORD...", which the completion (packaging/qx4ctl.bash) calls with the words
// after "qx4ctl" up to the one being typed. It prints "files" when a file name goes there, else
// "words" and then what may go there, one a line; the completion keeps those that start with
// what is typed.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {

inline constexpr std::string_view kCompleteOption = "--complete";

// The stored macros' names, as a terminal shows them.
std::vector<std::string> macroNames(const MacroList& macros);
// What bind takes by name: the functions, default, and macro:NAME for each macro.
std::vector<std::string> bindableNames(const MacroList& macros);

// Always kExitSuccess: the completion has nothing to say about a line it does not know.
int printCompletion(Arguments words, std::ostream& out);

}  // namespace qx4::cli
