// The macro page's step list, read as a timeline: one row per step (layout "keylistitem.xml") with
// its number, the key or mouse button with its image, press or release, and the pause until the
// next step in milliseconds. The last step's pause is never played, so it reads 0 ms. A line
// below the list counts the steps and adds up how long they take to play.
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;

namespace qx4 {
class MacroDraft;
}

namespace qx4::gui {

// The display name of a step's key or mouse-button code.
QString stepKeyName(std::uint8_t code);
// "120 ms".
QString millisecondsText(std::uint32_t milliseconds);

class MacroStepList final : public QObject {
    Q_OBJECT
public:
    MacroStepList(QListWidget* list, QLabel* summary, QObject* parent);

    // Every step of the draft, with its selected step selected and in view.
    void show(const MacroDraft& draft);

Q_SIGNALS:
    // The user selected a row; nullopt when the selection was cleared.
    void stepChosen(std::optional<std::size_t> step);

private:
    struct Row {
        QLabel* index = nullptr;
        QLabel* key = nullptr;
        QLabel* action = nullptr;
        QLabel* delay = nullptr;
    };

    void resize(std::size_t count);
    Row makeRow();
    void onCurrentRowChanged(int row);

    QListWidget* list_;
    QLabel* summary_;
    std::vector<Row> rows_;
    bool filling_ = false;
};

}  // namespace qx4::gui
