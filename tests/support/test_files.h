// A private data folder per test (QX4_DATA_DIR points at it), whole-file helpers, random bytes and
// a file size limit that fails writes as a full disk does.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace qx4::test {

class ScopedDataDir {
public:
    ScopedDataDir() {
        static int sequence = 0;
        const auto name = "qx4-test-" + std::to_string(getpid()) + "-" + std::to_string(sequence++);
        root_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(root_);
        setenv("QX4_DATA_DIR", root_.c_str(), 1);
    }
    ~ScopedDataDir() {
        unsetenv("QX4_DATA_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScopedDataDir(const ScopedDataDir&) = delete;
    ScopedDataDir& operator=(const ScopedDataDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path folder() const { return root_ / "Data" / "ms_1"; }

private:
    std::filesystem::path root_;
};

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::remove(path);  // a new file: truncating one in place is flushed, and slow
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readText(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Names in the folder that a save gives its temporary files.
inline std::vector<std::string> temporariesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) names.push_back(name);
    }
    return names;
}

// Until the end of the object, this process cannot write a file beyond `bytes`: a write fails
// with EFBIG as one on a full disk fails, for root too, whom permission bits do not stop.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limited = before_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signal_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    void (*signal_)(int);
    rlimit before_{};
};

// A link to itself: the name is taken, yet nobody, root included, can open it.
inline void makeUnreadable(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::create_symlink(path.filename(), path);
}

// Deterministic random bytes: one string in ten within 64 bytes of `around`, the rest short.
inline std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t around) {
    const bool nearAround = random() % 10 == 0;
    const std::size_t low = nearAround && around > 64 ? around - 64 : 0;
    const std::size_t high = nearAround ? around + 64 : std::min<std::size_t>(around, 4096);
    std::vector<std::uint8_t> bytes(std::uniform_int_distribution<std::size_t>(low, high)(random));
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

}  // namespace qx4::test
