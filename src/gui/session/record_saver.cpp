#include "gui/session/record_saver.h"

#include <QTimer>

#include <cstring>

#include "core/config/config_file.h"
#include "gui/common/diagnostics.h"

namespace qx4::gui {

RecordSaver::RecordSaver(const DeviceConfig& record, std::function<void(const std::filesystem::path&)> onFailure,
                         QObject* parent)
    : QObject(parent),
      record_(record),
      onDisk_(std::make_unique<DeviceConfig>()),
      onFailure_(std::move(onFailure)),
      timer_(new QTimer(this)) {
    std::memset(onDisk_.get(), 0, sizeof(DeviceConfig));
    timer_->setObjectName(QStringLiteral("record_save_timer"));
    timer_->setSingleShot(true);
    timer_->setInterval(kDelayMilliseconds);
    connect(timer_, &QTimer::timeout, this, &RecordSaver::saveNow);
}

RecordSaver::~RecordSaver() = default;

void RecordSaver::fileHolds(const DeviceConfig& record) { *onDisk_ = record; }

void RecordSaver::requestSave() {
    if (!timer_->isActive()) timer_->start();
}

bool RecordSaver::pending() const { return timer_->isActive(); }

bool RecordSaver::saveNow() { return !saveNowWith(nullptr).error; }

DataFilesSave RecordSaver::saveNowWith(const MacroList* macros) {
    timer_->stop();
    if (leaveFileAlone_) return {std::make_error_code(std::errc::operation_not_permitted), configFilePath(), {}};
    const bool recordDiffers = std::memcmp(&record_, onDisk_.get(), sizeof(DeviceConfig)) != 0;
    if (!recordDiffers && !macros) return {};
    const DataFilesSave saved = saveMacrosAndConfig(macros, recordDiffers ? &record_ : nullptr);
    if (saved.error) {
        if (onFailure_) onFailure_(saved.failed);
    } else if (recordDiffers) {
        *onDisk_ = record_;
        qCDebug(lcApp, "record saved");
    }
    return saved;
}

}  // namespace qx4::gui
