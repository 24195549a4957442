#include "gui/session/record_saver.h"

#include <QTimer>

#include <chrono>
#include <cstring>

#include "core/config/config_file.h"
#include "gui/common/diagnostics.h"

namespace qx4::gui {

RecordSaver::RecordSaver(const DeviceConfig& record, std::function<void(const std::filesystem::path&)> onFailure,
                         QObject* parent, Writer write)
    : QObject(parent),
      record_(record),
      onDisk_(std::make_unique<DeviceConfig>()),
      onFailure_(std::move(onFailure)),
      write_(write ? std::move(write) : [](const DeviceConfig& copy) { return saveMacrosAndConfig(nullptr, &copy); }),
      timer_(new QTimer(this)) {
    std::memset(onDisk_.get(), 0, sizeof(DeviceConfig));
    timer_->setObjectName(QStringLiteral("record_save_timer"));
    timer_->setSingleShot(true);
    timer_->setInterval(kDelayMilliseconds);
    connect(timer_, &QTimer::timeout, this, &RecordSaver::saveInBackground);
}

// The thread ends before the record it copied from and this object go.
RecordSaver::~RecordSaver() {
    if (written_.valid()) written_.wait();
}

void RecordSaver::fileHolds(const DeviceConfig& record) {
    collectBackgroundSave();
    *onDisk_ = record;
}

void RecordSaver::requestSave() {
    if (!timer_->isActive()) timer_->start();
}

bool RecordSaver::pending() const { return timer_->isActive() || written_.valid(); }

void RecordSaver::saveInBackground() {
    if (written_.valid()) {
        // One save at a time: this one follows when the one under way has ended.
        if (written_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return timer_->start();
        collectBackgroundSave();
    }
    if (leaveFileAlone_ || std::memcmp(&record_, onDisk_.get(), sizeof(DeviceConfig)) == 0) return;
    writing_ = std::make_shared<const DeviceConfig>(record_);
    written_ = std::async(std::launch::async, [this, copy = writing_] {
        DataFilesSave saved = write_(*copy);
        QMetaObject::invokeMethod(this, &RecordSaver::collectBackgroundSave, Qt::QueuedConnection);
        return saved;
    });
}

void RecordSaver::collectBackgroundSave() {
    if (!written_.valid()) return;
    const DataFilesSave saved = written_.get();
    if (saved.error) {
        if (onFailure_) onFailure_(saved.failed);
    } else {
        *onDisk_ = *writing_;
        qCDebug(lcApp, "record saved");
    }
    writing_.reset();
    Q_EMIT backgroundSaveEnded();
}

bool RecordSaver::saveNow() { return !saveNowWith(nullptr).error; }

DataFilesSave RecordSaver::saveNowWith(const MacroList* macros) {
    timer_->stop();
    collectBackgroundSave();
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
