// Keeps Config_1.data current without a write per notification: the mouse may report thousands
// of DPI presses in a burst, and each would rewrite 164 KB on the UI thread. A save asked for
// while one is pending joins it; the pending save runs kDelayMilliseconds after the first request,
// and saveNow() runs it at once. Whatever saves, a record equal to what was last written
// is not written again.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>

#include "core/config/device_config.h"
#include "core/macro/macro_store.h"

class QTimer;

namespace qx4::gui {

class RecordSaver final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMilliseconds = 300;

    // onFailure runs after a save that could not write a file, with that file.
    RecordSaver(const DeviceConfig& record, std::function<void(const std::filesystem::path&)> onFailure,
                QObject* parent);
    ~RecordSaver() override;

    // The file holds `record` now (it was just loaded or written by someone else).
    void fileHolds(const DeviceConfig& record);
    // The file is there but could not be read: it may hold what the user has, so it is never
    // replaced during this run.
    void leaveFileAlone() { leaveFileAlone_ = true; }
    void requestSave();
    // Saves now (a pending save included) when the record differs from the file: at the end of
    // an apply, and at shutdown. True when the file holds the record afterwards.
    bool saveNow();
    // As saveNow, saying why a save failed, and with macro.data written from `macros` (unless
    // null) in the same change: both files or neither (saveMacrosAndConfig).
    DataFilesSave saveNowWith(const MacroList* macros);
    bool pending() const;

private:
    const DeviceConfig& record_;
    std::unique_ptr<DeviceConfig> onDisk_;
    std::function<void(const std::filesystem::path&)> onFailure_;
    QTimer* timer_;
    bool leaveFileAlone_ = false;
};

}  // namespace qx4::gui
