// A private data folder per test (QX4_DATA_DIR points at it) and whole-file helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace qx4::test {

class ScopedDataDir {
public:
    ScopedDataDir() {
        static unsigned sequence = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("qx4-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(sequence++));
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
    // A fresh file rather than a truncated one: some file systems flush a file truncated and
    // rewritten at once, which would make the many small writes of the tests slow.
    std::filesystem::remove(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Deterministic random bytes; most strings short, some around `around` bytes long.
inline std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t around) {
    std::uniform_int_distribution<int> kind(0, 9);
    std::size_t length = 0;
    if (kind(random) == 0) {
        length = std::uniform_int_distribution<std::size_t>(around > 64 ? around - 64 : 0, around + 64)(random);
    } else {
        length = std::uniform_int_distribution<std::size_t>(0, std::min<std::size_t>(around, 4096))(random);
    }
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; i += 4) {
        const std::uint32_t word = random();
        for (std::size_t k = 0; k < 4 && i + k < length; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    return bytes;
}

}  // namespace qx4::test
