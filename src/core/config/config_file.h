// Where the data files live, the defaults of the configuration record, and its data file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>

#include "core/config/config_defaults.h"
#include "core/config/device_config.h"

namespace qx4 {

// $QX4_DATA_DIR when set, else $XDG_DATA_HOME/qx4-config, else ~/.local/share/qx4-config;
// followed by "Data". Worked out from the environment on every call; nothing is created. It is
// only a place for files while dataDirectoryProblem() finds none, which the program and qx4ctl
// make sure of before anything else.
std::filesystem::path dataDirectory();
// Why the environment names no absolute data folder (QX4_DATA_DIR relative, or without it HOME
// unset or relative), in one sentence; nullopt when it names one.
std::optional<std::string> dataDirectoryProblem();
std::filesystem::path configFilePath();  // dataDirectory()/ms_1/Config_1.data
std::filesystem::path macroFilePath();   // dataDirectory()/ms_1/macro.data
// dataDirectory()/ms_1/Config_1.mouse: the record as the mouse last took it whole, in the data
// file's format. Config_1.data may hold edits kept for later beside it, which no start sends.
std::filesystem::path mouseCopyFilePath();

// Writes every listed default. reservedHead, padding and unlisted gaps keep their bytes, so a
// reset of a loaded record carries them through.
void applyDefaults(DeviceConfig& config);
void applyProfileDefaults(ProfileSettings& profile);

// Replaces Config_1.data atomically. False when the folder or file cannot be written, with the
// system's reason in `reason` when given; the record in memory stays authoritative.
bool saveConfig(const DeviceConfig& config, std::error_code* reason = nullptr);
// Replaces Config_1.mouse atomically, as saveConfig does Config_1.data.
bool saveMouseCopy(const DeviceConfig& config, std::error_code* reason = nullptr);
// Reads Config_1.mouse; null when it is missing or is no whole, readable record, so that the
// caller counts the mouse as holding what Config_1.data holds.
std::unique_ptr<DeviceConfig> readMouseCopy(std::size_t macroCount);

struct ConfigLoadResult {
    bool createdDefaults = false;  // no file: the record holds the defaults
    bool savedDefaults = false;    // ... and they were written to a new file
    std::error_code saveError;     // ... or why they could not be
    bool unreadable = false;       // a file is there but could not be read: defaults, file untouched
    bool notRegularFile = false;   // ... as it is a folder, FIFO or device, which is never opened
    std::error_code readError;     // ... the system's reason, when it gave one
    bool damaged = false;          // shorter than the record: its bytes were laid over the defaults
    bool overlong = false;         // longer than the record: its first 164,364 bytes were taken
    std::filesystem::path damagedCopy;  // where a damaged or overlong file was kept; empty if that failed
    bool rangeRepaired = false;    // some index or count was out of range and has been reset
};

// Loads Config_1.data into the record. A missing file gives the defaults, which are saved. A
// file shorter than the record is damaged: it is copied to Config_1.data.damaged and its bytes
// are laid over the defaults, so nothing is read as zero that was never stored. A longer file
// gives its first 164,364 bytes and is copied whole to Config_1.data.damaged, as the next save
// keeps only those. The range rule (normalizeConfig) runs last; macroCount is the size of the
// macro store, which is loaded first. Temporary files that killed saves left in the data folder
// are removed first.
ConfigLoadResult loadConfig(DeviceConfig& config, std::size_t macroCount);

// As loadConfig, but never writes or removes anything: no new file, no damaged copy.
ConfigLoadResult readConfig(DeviceConfig& config, std::size_t macroCount);
// As readConfig, for a configuration file anywhere.
ConfigLoadResult readConfigFile(const std::filesystem::path& path, DeviceConfig& config, std::size_t macroCount);

// The load rules on an image already in memory; only damaged and rangeRepaired are set.
ConfigLoadResult decodeConfigImage(std::span<const std::byte> image, DeviceConfig& config, std::size_t macroCount);

}  // namespace qx4
