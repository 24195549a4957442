// Shared by the page tests: a record on the heap, a way to answer a modal dialog from inside its
// own event loop, and a readable account of which bytes of a record changed.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/config/config_file.h"
#include "core/config/device_config.h"

namespace qx4::gui::test {

inline std::unique_ptr<DeviceConfig> defaultRecord() {
    auto record = std::make_unique<DeviceConfig>();
    std::memset(record.get(), 0, sizeof(DeviceConfig));
    applyDefaults(*record);
    return record;
}

// Byte offsets of the first few differences, "" when the records are equal.
inline std::string changedBytes(const DeviceConfig& before, const DeviceConfig& after) {
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&after);
    std::string changed;
    int shown = 0;
    for (std::size_t i = 0; i < sizeof(DeviceConfig) && shown < 8; ++i) {
        if (a[i] == b[i]) continue;
        ++shown;
        if (i < offsetof(DeviceConfig, profiles)) {
            changed += "activeProfile ";
            continue;
        }
        const std::size_t inProfile = (i - 4) % sizeof(ProfileSettings);
        changed += "byte " + std::to_string(i) + " (profile " +
                   std::to_string((i - 4) / sizeof(ProfileSettings)) + ", offset " +
                   std::to_string(inProfile) + ") ";
    }
    return changed;
}

template <typename Window>
Window* findTopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Runs `answer` once the modal dialog of type Window is up (from inside its event loop), then
// lets `open` run, which opens the dialog and returns once it is closed. The answer must close
// it. Returns false when no such dialog appeared.
template <typename Window>
bool answerModal(const std::function<void(Window&)>& answer, const std::function<void()>& open) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        if (Window* window = findTopLevel<Window>()) {
            answered = true;
            answer(*window);
        }
    });
    open();
    return answered;
}

}  // namespace qx4::gui::test
