// The victim of the crash-safe save test: saves two configurations and two macro libraries in
// turn until it is killed. Every byte of one version is 0x5A, of the other 0xA5, so a torn file
// shows. It writes one byte to its standard output as it begins to save.
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/config/config_file.h"
#include "core/macro/macro_store.h"

namespace {

struct Version {
    explicit Version(unsigned char fill, std::size_t macroCount) {
        std::memset(config.get(), fill, sizeof(qx4::DeviceConfig));
        qx4::MacroRecord record;
        std::memset(&record, fill, sizeof(record));
        for (std::size_t i = 0; i < macroCount; ++i) macros.append(record);
    }
    bool save() const { return qx4::saveConfig(*config) && qx4::saveMacros(macros); }

    std::unique_ptr<qx4::DeviceConfig> config = std::make_unique<qx4::DeviceConfig>();
    qx4::MacroList macros;
};

}  // namespace

int main() {
    // Never the user's own data folder: what this writes is garbage.
    if (std::getenv("QX4_DATA_DIR") == nullptr) return 2;
    const Version older(0x5A, 3);
    const Version newer(0xA5, 5);
    if (write(STDOUT_FILENO, "s", 1) != 1) return 1;
    for (;;) {
        if (!newer.save() || !older.save()) return 1;
    }
}
