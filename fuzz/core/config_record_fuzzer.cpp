// Config_1.data as the loader takes it: whatever the bytes, every index and count is in range,
// the record encodes to the documented reports, and a saved record loads back equal.
#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "fuzz_support.h"
#include "tests/support/expected_defaults.h"
#include "tests/support/record_invariants.h"
#include "tests/support/sample_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qx4::fuzz::require;
    // Allocated once: large blocks allocated in every run would cost more than the run itself.
    static const std::vector<std::uint8_t> defaults = qx4::test::expectedDefaultImage();
    static qx4::fuzz::SteeredImage image;
    static const auto config = qx4::test::newRecord(false);
    static const auto reloaded = qx4::test::newRecord(false);
    qx4::fuzz::steerImage({data, size}, std::as_bytes(std::span(defaults)), image);
    const std::size_t macroCount = image.flags >> 4;

    // Leftovers of an earlier record must not show through what the loader sets.
    std::memset(config.get(), 0xA5, sizeof(qx4::DeviceConfig));
    const qx4::ConfigLoadResult loaded = qx4::decodeConfigImage(image.bytes, *config, macroCount);
    require(loaded.damaged == (image.bytes.size() < sizeof(qx4::DeviceConfig)), "damaged exactly when short");
    require(qx4::test::firstOutOfRange(*config, static_cast<long long>(macroCount)).empty(),
            "indices and counts in range");
    qx4::fuzz::requireDocumentedReports(*config);

    std::memset(reloaded.get(), 0x3C, sizeof(qx4::DeviceConfig));
    const qx4::ConfigLoadResult again = qx4::decodeConfigImage(qx4::recordBytes(*config), *reloaded, macroCount);
    require(!again.damaged && !again.rangeRepaired, "a saved record loads without repairs");
    require(std::memcmp(config.get(), reloaded.get(), sizeof(qx4::DeviceConfig)) == 0,
            "a saved record loads back equal");
    return 0;
}
