#include "core/config/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace qx4 {
namespace {

// A name no other writer in this or another process is likely to pick; creation is exclusive
// anyway, so a clash only costs another attempt.
std::filesystem::path temporaryNameFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned processSalt = std::random_device{}();
    std::filesystem::path name = target;
    name += ".tmp-" + std::to_string(processSalt) + "-" + std::to_string(counter.fetch_add(1));
    return name;
}

bool writeAll(std::FILE* file, std::span<const std::byte> bytes) {
    // An empty span may have no storage at all, which fwrite must not be handed.
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return written && std::fflush(file) == 0;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes) {
    std::error_code error;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), error);
    if (error) return false;

    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::filesystem::path temporary = temporaryNameFor(target);
        // "x": exclusive creation, so an existing file (or a planted link) is never written through.
        std::FILE* raw = std::fopen(temporary.c_str(), "wbx");
        if (raw == nullptr) {
            if (std::filesystem::exists(temporary, error)) continue;
            return false;
        }
        bool written = writeAll(raw, bytes);
        written = (std::fclose(raw) == 0) && written;
        if (written) {
            std::filesystem::rename(temporary, target, error);
            if (!error) return true;
        }
        std::filesystem::remove(temporary, error);
        return false;
    }
    return false;
}

std::optional<std::vector<std::byte>> readFilePrefix(const std::filesystem::path& source,
                                                     std::size_t maxBytes) {
    std::error_code error;
    if (std::filesystem::is_directory(source, error)) return std::nullopt;
    std::ifstream in(source, std::ios::binary);
    if (!in) return std::nullopt;
    // Size the buffer by the opened file, not by its path, which a writer may replace meanwhile.
    // A stream that cannot seek is read as far as maxBytes from where it stands, its start.
    std::size_t capacity = maxBytes;
    const std::streamoff size = in.seekg(0, std::ios::end) ? std::streamoff(in.tellg()) : std::streamoff(-1);
    if (size >= 0) capacity = std::min(maxBytes, static_cast<std::size_t>(size));
    in.clear();
    in.seekg(0, std::ios::beg);
    in.clear();
    std::vector<std::byte> bytes(capacity);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(capacity));
    if (in.bad()) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace qx4
