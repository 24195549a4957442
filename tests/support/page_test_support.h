// Shared by the page tests: the record and the macro store in a session of their own, which bytes of a record changed, modal windows
// answered from inside their own event loop, every page built, and a widget against a picture of it.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "core/config/config_file.h"
#include "core/config/device_config.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"
#include "gui/pages/page_table.h"
#include "gui/session/mouse_session.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"

namespace qx4::gui::test {

using qx4::test::defaultRecord;

// The record and the macro store where the program keeps them: a mouse session, never started,
// loaded from a data folder of its own (the defaults, and macros of these names).
struct SessionData {
    explicit SessionData(std::initializer_list<std::u16string_view> macroNames = {}) {
        MacroList macros;
        for (const std::u16string_view name : macroNames) {
            MacroRecord macro{};
            macro.name = toMacroName(name);
            macros.append(macro);
        }
        if (!macros.empty()) saveMacros(macros);
        session.load();
    }
    const DeviceConfig& record() const { return session.record(); }
    // A change from around the pages (the mouse, an import), which the test then shows them.
    void change(const std::function<void(DeviceConfig&)>& change) {
        session.edit([&change](DeviceConfig& record) {
            change(record);
            return true;
        });
    }

    qx4::test::ScopedDataDir dataDir;
    MouseSession session{dlopenDriverBinder(), [](std::chrono::milliseconds, std::stop_token) {}};
};

// The offsets at which the records differ, "" when they are equal.
inline std::string changedBytes(const DeviceConfig& before, const DeviceConfig& after) {
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&after);
    std::string changed;
    for (std::size_t i = 0; i < sizeof(DeviceConfig); ++i) {
        if (a[i] != b[i]) changed += std::to_string(i) + " ";
    }
    return changed;
}

// Answers the next visible window of type Window once an event loop runs, e.g. the one a modal
// window runs itself; several may wait at once for windows that open one after the other.
template <typename Window>
class AnswerWhenShown {
public:
    explicit AnswerWhenShown(std::function<void(Window&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<Window*>(widget);
                if (!window || !window->isVisible()) continue;
                timer_.stop();
                answered_ = true;
                answer_(*window);
                return;
            }
        });
        timer_.start(0);
    }
    bool answered() const { return answered_; }

private:
    std::function<void(Window&)> answer_;
    QTimer timer_;
    bool answered_ = false;
};

// Runs `open`, which opens a modal Window and returns once it is closed; `answer` must close it.
// False when no such window appeared.
template <typename Window>
bool answerModal(std::function<void(Window&)> answer, const std::function<void()>& open) {
    const AnswerWhenShown<Window> waiting(std::move(answer));
    open();
    return waiting.answered();
}

// A page is built when its tab is first shown: shows every tab as a user would, then the first
// again, so that every page's controls exist.
inline void showEveryTab(const QWidget& window) {
    const PageKind* first = nullptr;
    for (const PageKind& kind : pageTable()) {
        window.findChild<QAbstractButton*>(QString::fromLatin1(kind.tabButton))->click();
        if (!first || kind.tabPosition < first->tabPosition) first = &kind;
    }
    if (first) window.findChild<QAbstractButton*>(QString::fromLatin1(first->tabButton))->click();
}

// Whether the widget draws exactly tests/data/paint/<name>.png, which was looked at by eye. With
// QX4_PAINT_OUT=<folder> what it drew is written there, to see a difference or to make the picture
// again after a change meant to be seen.
inline bool looksAsItsPicture(QWidget& widget, const QString& name) {
    QImage painted(widget.size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    widget.render(&painted);
    const QString file = name + QStringLiteral(".png");
    if (const QString out = qEnvironmentVariable("QX4_PAINT_OUT"); !out.isEmpty()) painted.save(out + '/' + file);
    const QImage expected = QImage(QStringLiteral(QX4_TEST_DATA_DIR "/paint/") + file)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return !expected.isNull() && painted == expected;
}

}  // namespace qx4::gui::test
