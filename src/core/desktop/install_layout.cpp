#include "core/desktop/install_layout.h"

#include <system_error>

namespace qx4 {
namespace {

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::filesystem::path runningProgramFolder() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path{} : program.parent_path();
}

std::vector<std::filesystem::path> pluginFoldersFor(const std::filesystem::path& programFolder) {
    return {programFolder, (programFolder / QX4_PLUGIN_DIR_FROM_PROGRAMS).lexically_normal()};
}

std::vector<std::filesystem::path> resourceFoldersFor(const std::filesystem::path& programFolder) {
    return {programFolder / "res", (programFolder / QX4_RESOURCE_DIR_FROM_PROGRAMS).lexically_normal()};
}

std::optional<std::filesystem::path> udevRuleFor(const std::filesystem::path& programFolder) {
    const auto installed = (programFolder / QX4_UDEV_RULES_DIR_FROM_PROGRAMS / kUdevRuleFileName).lexically_normal();
    if (isFile(installed)) return installed;
    const std::filesystem::path source = QX4_SOURCE_UDEV_RULE;
    if (isFile(source)) return source;
    return std::nullopt;
}

}  // namespace qx4
