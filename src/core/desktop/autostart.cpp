#include "core/desktop/autostart.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "core/config/atomic_file.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStartHiddenArgument = "--tray";
constexpr std::string_view kEntryGroup = "[Desktop Entry]";
// Far above any real entry. A larger file is none that a package or this program wrote, and is
// not read further: a huge file would otherwise be taken in whole.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool isEntryFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// Whether an entry starts anything: not Hidden=true, not X-GNOME-Autostart-enabled=false. An
// entry that cannot be read, or is too large to be one, starts nothing either.
bool entryStarts(const fs::path& path) {
    const FileRead file = readRegularFile(path, kMaxEntryBytes);
    if (file.status != ReadStatus::read || file.size > kMaxEntryBytes) return false;
    std::string_view rest(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
    bool inEntryGroup = false;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view text = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (text.starts_with('[')) {
            inEntryGroup = text == kEntryGroup;
            continue;
        }
        const auto equals = text.find('=');
        if (!inEntryGroup || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(text.substr(0, equals));
        const std::string_view value = trimmed(text.substr(equals + 1));
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
    return true;
}

std::optional<fs::path> systemEntry(const AutostartFolders& folders) {
    for (const fs::path& folder : folders.system) {
        if (isEntryFile(folder / kAutostartFileName)) return folder / kAutostartFileName;
    }
    return std::nullopt;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string entryText(const fs::path& program, bool hidden) {
    std::string text = std::string(kEntryGroup) + "\n"
        "Type=Application\n"
        "Name=QX4 Mouse Configuration\n"
        "Comment=Keeps the KESTRA QX4 mouse's status in the tray\n"
        "Exec=" + desktopExecArgument(program.string()) + " " + std::string(kStartHiddenArgument) + "\n"
        "Icon=qx4-config\n"
        "Terminal=false\n"
        "NoDisplay=true\n";
    text += hidden ? "Hidden=true\n" : "X-GNOME-Autostart-enabled=true\n";
    return text;
}

std::string writeEntry(const fs::path& path, const fs::path& program, bool hidden) {
    if (hasControlCharacter(program.string())) return "the program's path " + program.string() + " cannot go into an autostart entry";
    const std::string text = entryText(program, hidden);
    const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
    if (!writeFileAtomically(path, {bytes, text.size()})) return "cannot write " + path.string();
    return {};
}

std::string removeEntry(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);
    if (error) return "cannot remove " + path.string() + ": " + error.message();
    return {};
}

}  // namespace

AutostartFolders autostartFolders() {
    AutostartFolders folders;
    fs::path configHome = environment("XDG_CONFIG_HOME");
    if (configHome.empty() || !configHome.is_absolute()) {
        // Without an absolute home the entry would land in whatever folder the program runs in.
        const fs::path home = environment("HOME");
        configHome = home.is_absolute() ? home / ".config" : fs::path();
    }
    if (!configHome.empty()) folders.user = configHome / "autostart";

    std::string configDirs = environment("XDG_CONFIG_DIRS");
    if (configDirs.empty()) configDirs = "/etc/xdg";
    std::string_view rest = configDirs;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const fs::path folder(rest.substr(0, colon));
        if (folder.is_absolute()) folders.system.push_back(folder / "autostart");
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    return folders;
}

AutostartState autostartState(const AutostartFolders& folders) {
    AutostartState state;
    const auto system = systemEntry(folders);
    state.systemWide = system.has_value();
    const fs::path user = folders.user / kAutostartFileName;
    if (!folders.user.empty() && isEntryFile(user)) {
        state.decidingEntry = user;
    } else if (system) {
        state.decidingEntry = *system;
    }
    state.enabled = !state.decidingEntry.empty() && entryStarts(state.decidingEntry);
    return state;
}

std::string setAutostart(bool enabled, const AutostartFolders& folders, const fs::path& program) {
    if (folders.user.empty()) return "HOME is not an absolute folder, so there is no place for the user's autostart entry";
    const fs::path user = folders.user / kAutostartFileName;
    const auto system = systemEntry(folders);
    const bool systemStarts = system && entryStarts(*system);
    std::error_code error;
    const bool userEntryThere = fs::symlink_status(user, error).type() != fs::file_type::not_found;
    if (enabled == systemStarts && system) return userEntryThere ? removeEntry(user) : std::string();
    if (enabled) return writeEntry(user, program, false);
    if (systemStarts) return writeEntry(user, program, true);
    return userEntryThere ? removeEntry(user) : std::string();
}

std::string desktopExecArgument(std::string_view argument) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool needsQuotes = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
    // Quoting escapes ", `, $ and \ with a backslash; the string escaping of a desktop entry's
    // values then doubles every backslash. A literal % is written %%.
    std::string quoted;
    if (needsQuotes) quoted += '"';
    for (const char c : argument) {
        if (needsQuotes && std::string_view("\"`$\\").find(c) != std::string_view::npos) quoted += '\\';
        quoted += c;
    }
    if (needsQuotes) quoted += '"';
    std::string escaped;
    for (const char c : quoted) {
        if (c == '\\') escaped += '\\';
        if (c == '%') escaped += '%';
        escaped += c;
    }
    return escaped;
}

}  // namespace qx4
