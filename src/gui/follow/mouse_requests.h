// What the bus asks of the mouse, merged so that any number of calls costs one apply at a time:
// while an apply sends, the latest profile asked for waits (an earlier one waiting is superseded),
// and so does one apply, which a waiting select's own apply covers. Each request is answered
// once: handed to the mouse, or superseded by a later one.
#pragma once

#include <QObject>

#include <functional>
#include <optional>

namespace qx4::gui {

class ProfileTarget;

class MouseRequests final : public QObject {
    Q_OBJECT
public:
    enum class Answer { handed, superseded };
    using Reply = std::function<void(Answer)>;

    MouseRequests(ProfileTarget& target, QObject* parent);

    void selectProfile(int profile, Reply reply);  // profile 0-4
    void apply(Reply reply);

private:
    struct Waiting {
        int profile = 0;
        Reply reply;
    };

    bool busy() const;
    void handOnWaiting();
    void handed();

    ProfileTarget& target_;
    std::optional<Waiting> select_;
    Reply apply_;
    // An apply was asked for that the session hands to the worker only after the current event.
    bool handing_ = false;
};

}  // namespace qx4::gui
