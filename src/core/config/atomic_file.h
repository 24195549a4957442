// Whole-file reads and writes of the data files and of the files a user imports or exports.
//
// Reads open a file without blocking and take it only when the opened file is a regular one, so a
// FIFO, device or folder in a file's place is reported instead of hanging or flooding the program.
//
// A write goes to a fresh temporary file "<name>.tmp-<pid>-<n>" in the target's folder, is flushed
// to the disk, and only then renamed over the target, so a crash mid-save leaves either the old
// file or the new one, never a torn mix. A symbolic link is written through: the file it points to
// is replaced in its own folder and the link stays. A replaced file keeps its mode; a new one gets
// the mode its use calls for (FileUse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

namespace qx4 {

enum class ReadStatus : std::uint8_t {
    read,            // bytes holds the start of the file
    missing,         // nothing of that name (a link to nothing included)
    notRegularFile,  // a folder, FIFO, device or socket: it was not read
    unreadable,      // it is there but could not be opened or read (error says why)
};

struct FileRead {
    ReadStatus status = ReadStatus::unreadable;
    std::error_code error;         // the system's reason when it could not be opened or read
    std::uint64_t size = 0;        // the whole file's size, taken from the opened file
    std::vector<std::byte> bytes;  // its first min(size, maxBytes) bytes
};

// Reads at most maxBytes, however large the file is.
FileRead readRegularFile(const std::filesystem::path& source, std::size_t maxBytes);

enum class FileUse : std::uint8_t {
    // The program's own file: new ones are private to the user (0600), and the target's parent
    // folders are created as needed.
    dataFile,
    // A file the user exports for other machines and people: a new one gets the mode the umask
    // leaves, as any file a program saves for the user, and its folder must already be there, so
    // that a refused export leaves nothing behind.
    sharedFile,
};

// Refuses to replace anything that is not a regular file it could read (a folder, FIFO or device,
// a file without read permission, a loop of links): false then, as when any step fails. On false
// the target is unchanged and no temporary file is left behind, and `reason`, when given, holds
// the system's reason.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes,
                         FileUse use = FileUse::dataFile, std::error_code* reason = nullptr);

// One file of a change that writeFilesAtomically makes as a whole.
struct FileReplacement {
    std::filesystem::path target;
    std::span<const std::byte> bytes;
    FileUse use = FileUse::dataFile;
};

struct FilesWriteResult {
    std::error_code error;      // why it failed, as the system said (disk full, permission denied, ...)
    std::size_t failed = 0;     // the file that failed, by its index
    std::size_t replaced = 0;   // how many files, from the first, hold their new bytes
};

// Replaces several files as one change: each one's new bytes are written whole to its temporary
// file and flushed first, and only when all of them are written are they renamed over their
// targets, in order. So a full disk, or a target that must not be replaced, leaves every target as
// it was. Only a rename failing after an earlier one succeeded, which a local folder does not do,
// leaves the first `replaced` targets new. Each target is treated as writeFileAtomically treats it.
FilesWriteResult writeFilesAtomically(std::span<const FileReplacement> files);

// Removes the temporary files that saves of the target left behind when their process died
// before the rename: "<name>.tmp-<pid>-<n>" beside the target, and beside the file it links to,
// whose process no longer runs. A save still running in another process keeps its file.
void removeStaleTemporaries(const std::filesystem::path& target);

}  // namespace qx4
