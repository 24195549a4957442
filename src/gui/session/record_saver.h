// Keeps Config_1.data current without a write per notification: the mouse may report thousands
// of DPI presses in a burst, and each would rewrite 164 KB. A save asked for while one is pending
// joins it; the pending save runs kDelayMilliseconds after the first request, on a thread of its
// own with a copy of the record, as a slow disk's flush would otherwise hold the window (and the
// popup the switch just showed) unpainted. saveNow() waits for such a save and then saves at once.
// Whatever saves, a record equal to what was last written is not written again.
#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <future>
#include <memory>

#include "core/config/device_config.h"
#include "core/macro/macro_store.h"

class QTimer;

namespace qx4::gui {

class RecordSaver final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMilliseconds = 300;

    // Writes a copy of the record to the data file; on the saver's own thread for a pending save.
    using Writer = std::function<DataFilesSave(const DeviceConfig&)>;

    // onFailure runs after a save that could not write a file, with that file.
    RecordSaver(const DeviceConfig& record, std::function<void(const std::filesystem::path&)> onFailure,
                QObject* parent, Writer write = {});
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
    // A save asked for has not ended yet.
    bool pending() const;

Q_SIGNALS:
    // A save in the background has ended (well or not): the file is as it will stay for now.
    void backgroundSaveEnded();

private:
    void saveInBackground();
    // Takes the end of the save in the background, waiting for it if need be.
    void collectBackgroundSave();

    const DeviceConfig& record_;
    std::unique_ptr<DeviceConfig> onDisk_;
    std::function<void(const std::filesystem::path&)> onFailure_;
    Writer write_;
    QTimer* timer_;
    std::shared_ptr<const DeviceConfig> writing_;  // what the save in the background writes
    std::future<DataFilesSave> written_;
    bool leaveFileAlone_ = false;
};

}  // namespace qx4::gui
