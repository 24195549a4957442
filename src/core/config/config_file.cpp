#include "core/config/config_file.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/config/atomic_file.h"
#include "core/config/config_range.h"
#include "core/config/record_bytes.h"

namespace qx4 {
namespace {

std::filesystem::path environmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return {};
    return std::filesystem::path(value);
}

struct DataRoot {
    std::filesystem::path folder;  // absolute; empty when the environment names none
    std::string problem;           // why it names none
};

// A relative folder would put the data files wherever the program happens to be started.
DataRoot dataRoot() {
    if (const std::filesystem::path root = environmentPath("QX4_DATA_DIR"); !root.empty()) {
        if (root.is_relative()) {
            return {{}, "QX4_DATA_DIR is the relative path '" + root.string() + "'; set it to an absolute one"};
        }
        return {root, {}};
    }
    std::filesystem::path dataHome = environmentPath("XDG_DATA_HOME");
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (dataHome.empty() || dataHome.is_relative()) {
        const std::filesystem::path home = environmentPath("HOME");
        if (home.empty()) return {{}, "HOME is not set; set it, or QX4_DATA_DIR, to an absolute folder for the data files"};
        if (home.is_relative()) {
            return {{}, "HOME is the relative path '" + home.string() +
                            "'; set it, or QX4_DATA_DIR, to an absolute folder for the data files"};
        }
        dataHome = home / ".local" / "share";
    }
    return {dataHome / "qx4-config", {}};
}

std::filesystem::path damagedCopyPath() {
    std::filesystem::path copy = configFilePath();
    copy += ".damaged";
    return copy;
}

// A short file is kept as it is before anything may overwrite it.
std::filesystem::path keepDamagedCopy(std::span<const std::byte> bytes) {
    const std::filesystem::path copy = damagedCopyPath();
    return writeFileAtomically(copy, bytes) ? copy : std::filesystem::path{};
}

// So is a long one; it may be of any size, so the system copies it rather than this program
// reading it whole.
std::filesystem::path keepOverlongCopy(const std::filesystem::path& original) {
    const std::filesystem::path copy = damagedCopyPath();
    std::error_code error;
    std::filesystem::copy_file(original, copy, std::filesystem::copy_options::overwrite_existing, error);
    return error ? std::filesystem::path{} : copy;
}

ConfigLoadResult loadFrom(const std::filesystem::path& path, DeviceConfig& config, std::size_t macroCount,
                          bool mayWrite) {
    const FileRead file = readRegularFile(path, sizeof(DeviceConfig));
    if (file.status == ReadStatus::read) {
        ConfigLoadResult result = decodeConfigImage(file.bytes, config, macroCount);
        result.overlong = file.size > sizeof(DeviceConfig);
        if (result.damaged && mayWrite) result.damagedCopy = keepDamagedCopy(file.bytes);
        if (result.overlong && mayWrite) result.damagedCopy = keepOverlongCopy(path);
        return result;
    }
    ConfigLoadResult result;
    applyDefaults(config);
    if (file.status == ReadStatus::missing) {
        result.createdDefaults = true;
        result.savedDefaults = mayWrite && saveConfig(config, &result.saveError);
    } else {
        // Something is there that cannot be read: replacing it could destroy what the user has.
        result.unreadable = true;
        result.notRegularFile = file.status == ReadStatus::notRegularFile;
        result.readError = file.error;
    }
    return result;
}

}  // namespace

std::filesystem::path dataDirectory() { return dataRoot().folder / "Data"; }

std::optional<std::string> dataDirectoryProblem() {
    DataRoot root = dataRoot();
    if (root.problem.empty()) return std::nullopt;
    return std::move(root.problem);
}

std::filesystem::path configFilePath() { return dataDirectory() / "ms_1" / "Config_1.data"; }
std::filesystem::path mouseCopyFilePath() { return dataDirectory() / "ms_1" / "Config_1.mouse"; }

std::filesystem::path macroFilePath() { return dataDirectory() / "ms_1" / "macro.data"; }

void applyProfileDefaults(ProfileSettings& profile) {
    // Only the terminating zero of each spare text is written.
    profile.spareText1[0] = u'\0';
    profile.spareText2[0] = u'\0';
    profile.spareValue1 = kDefaultSpareValue1;
    profile.spareValue2 = kDefaultSpareValue2;
    profile.spareFlag = kDefaultSpareFlag;
    profile.spareValue3 = kDefaultSpareValue3;
    profile.spareValue4 = kDefaultSpareValue4;
    profile.dpiParamA = kDefaultDpiParamA;
    profile.dpiParamB = kDefaultDpiParamB;
    profile.dpiValuesX = kDefaultDpiValues;
    profile.dpiValuesY = kDefaultDpiValues;
    profile.dpiLevelEnabled = kDefaultDpiLevelEnabled;
    profile.lightBrightness = kDefaultLightBrightness;
    profile.lightBreathSpeed = kDefaultLightBreathSpeed;
    profile.lightExtra = kDefaultLightExtra;
    profile.dpiLevel = kDefaultDpiLevel;
    profile.pollingRateIndex = kDefaultPollingRateIndex;
    profile.lightMode = kDefaultLightMode;
    profile.lightColorUntouched = kDefaultLightColorUntouched;
    profile.lightDirection = kDefaultLightDirection;
    profile.lightColor = kDefaultLightColor;
    profile.dpiColors = kDefaultDpiColors;
    profile.spareColors = kDefaultSpareColors;

    std::memset(&profile.buttons, 0, sizeof(profile.buttons));
    for (std::size_t j = 0; j < profile.buttons.size(); ++j) {
        ButtonBinding& binding = profile.buttons[j];
        binding.buttonIndex = static_cast<std::uint8_t>(j);
        binding.functionCode = kDefaultFunctionCodes[j % kDefaultFunctionCodes.size()];
        binding.functionGroup = 0;
        binding.spareWord = kDefaultSpareWord;
        binding.macroIndex = kNoMacroIndex;
        binding.spareIndex = kDefaultSpareIndex;
    }
}

void applyDefaults(DeviceConfig& config) {
    config.activeProfile = kDefaultActiveProfile;
    for (ProfileSettings& profile : config.profiles) applyProfileDefaults(profile);
}

bool saveConfig(const DeviceConfig& config, std::error_code* reason) {
    return writeFileAtomically(configFilePath(), recordBytes(config), FileUse::dataFile, reason);
}

bool saveMouseCopy(const DeviceConfig& config, std::error_code* reason) {
    return writeFileAtomically(mouseCopyFilePath(), recordBytes(config), FileUse::dataFile, reason);
}

std::unique_ptr<DeviceConfig> readMouseCopy(std::size_t macroCount) {
    std::error_code missing;
    if (!std::filesystem::is_regular_file(mouseCopyFilePath(), missing)) return nullptr;
    auto copy = std::make_unique<DeviceConfig>();
    const ConfigLoadResult read = readConfigFile(mouseCopyFilePath(), *copy, macroCount);
    if (read.unreadable || read.damaged || read.overlong || read.createdDefaults) return nullptr;
    return copy;
}

ConfigLoadResult decodeConfigImage(std::span<const std::byte> image, DeviceConfig& config, std::size_t macroCount) {
    ConfigLoadResult result;
    if (image.size() < sizeof(DeviceConfig)) {
        // Over a zeroed record the missing part would read as button function 0 ("off", left
        // click included), which the next apply would send to the mouse.
        result.damaged = true;
        applyDefaults(config);
    }
    overlayRecord(config, image);
    result.rangeRepaired = normalizeConfig(config, macroCount);
    return result;
}

ConfigLoadResult loadConfig(DeviceConfig& config, std::size_t macroCount) {
    for (const std::filesystem::path& file : {configFilePath(), damagedCopyPath(), macroFilePath(), mouseCopyFilePath()}) {
        removeStaleTemporaries(file);
    }
    return loadFrom(configFilePath(), config, macroCount, true);
}

ConfigLoadResult readConfig(DeviceConfig& config, std::size_t macroCount) {
    return loadFrom(configFilePath(), config, macroCount, false);
}

ConfigLoadResult readConfigFile(const std::filesystem::path& path, DeviceConfig& config, std::size_t macroCount) {
    return loadFrom(path, config, macroCount, false);
}

}  // namespace qx4
