#include "gui/pages/mouse_picture_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

#include "gui/pages/mouse_picture.h"

namespace qx4::gui {

namespace {
// One button of the picture. It has no object of its own: it lives as long as the picture's
// interface, which registers it with Qt's accessibility and deletes it.
class PictureButton final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PictureButton(MousePicture* picture, int button) : picture_(picture), button_(button) {}

    bool isValid() const override { return !picture_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return picture_ ? picture_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(picture_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name && picture_ ? picture_->buttonName(button_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!picture_) return {};
        const QRect area = picture_->buttonArea(button_);
        return {picture_->mapToGlobal(area.topLeft()), area.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = true;
        state.selectable = true;
        state.invisible = !picture_ || !picture_->isVisible();
        state.disabled = !picture_ || !picture_->isEnabled();
        if (picture_ && picture_->keyboardButton() == button_) {
            state.selected = true;
            state.focused = picture_->hasFocus();
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (picture_ && action == pressAction()) picture_->press(button_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<MousePicture> picture_;
    int button_;
};

// The picture as a list; its indicators are drawing, not parts a reader should visit.
class PictureAccessible final : public QAccessibleWidget {
public:
    explicit PictureAccessible(MousePicture* picture) : QAccessibleWidget(picture, QAccessible::List) {}
    ~PictureAccessible() override {
        for (const QAccessible::Id id : std::as_const(buttons_)) QAccessible::deleteAccessibleInterface(id);
    }
    PictureAccessible(const PictureAccessible&) = delete;
    PictureAccessible& operator=(const PictureAccessible&) = delete;

    int childCount() const override { return kShownButtonCount; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= kShownButtonCount) return nullptr;
        if (const QAccessible::Id id = buttons_.value(index)) return QAccessible::accessibleInterface(id);
        auto* button = new PictureButton(picture(), index);
        buttons_.insert(index, QAccessible::registerAccessibleInterface(button));
        return button;
    }
    int indexOfChild(const QAccessibleInterface* wanted) const override {
        for (auto id = buttons_.cbegin(); id != buttons_.cend(); ++id) {
            if (QAccessible::accessibleInterface(id.value()) == wanted) return id.key();
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return picture()->hasFocus() ? child(picture()->keyboardButton()) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int button = picture()->buttonAt(picture()->mapFromGlobal(QPointF(x, y)));
        return button >= 0 ? child(button) : nullptr;
    }

private:
    MousePicture* picture() const { return static_cast<MousePicture*>(widget()); }

    mutable QHash<int, QAccessible::Id> buttons_;
};

QAccessibleInterface* pictureInterface(const QString&, QObject* object) {
    auto* picture = qobject_cast<MousePicture*>(object);
    return picture ? new PictureAccessible(picture) : nullptr;
}
}  // namespace

void installMousePictureAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(&pictureInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace qx4::gui
