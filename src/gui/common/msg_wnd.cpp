#include "gui/common/msg_wnd.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include <algorithm>

#include "gui/common/control_lookup.h"
#include "gui/common/layout_window.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
void showText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setVisible(!text.isEmpty());
}
}  // namespace

CMsgWnd::CMsgWnd(QWidget* parent, const QString& titleKey, const QString& textKey)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("MsgWnd"));
    setModal(true);
    buildWindowFromLayout(this, QStringLiteral("msg.xml"), 360, 180);
    const ResourceManager& texts = ResourceManager::instance();
    texts.setResourceText(requireControl<QLabel>(this, "warning_title"), titleKey);
    text_ = requireControl<QLabel>(this, "warning");
    texts.setResourceText(text_, textKey);
    details_ = requireControl<QLabel>(this, "warning_details");
    command_ = requireControl<QLabel>(this, "warning_command");
    confirm_ = requireControl<QAbstractButton>(this, "confirm_btn");
    cancel_ = requireControl<QAbstractButton>(this, "cancel_btn");
    alternative_ = requireControl<QAbstractButton>(this, "alternative_btn");
    setDefaultChoice(kConfirmed);
    connect(confirm_, &QAbstractButton::clicked, this, [this] { done(notice_ ? kCancelled : kConfirmed); });
    connect(cancel_, &QAbstractButton::clicked, this, [this] { done(kCancelled); });
    connect(alternative_, &QAbstractButton::clicked, this, [this] { done(kAlternative); });
}

void CMsgWnd::setText(const QString& text) { ResourceManager::instance().setPlainText(text_, text); }

void CMsgWnd::offerChoices(const QString& confirmKey, const QString& cancelKey, const QString& alternativeKey) {
    const ResourceManager& texts = ResourceManager::instance();
    texts.setResourceText(confirm_, confirmKey);
    texts.setResourceText(cancel_, cancelKey);
    if (alternativeKey.isEmpty()) return;
    texts.setResourceText(alternative_, alternativeKey);
    alternative_->show();
}

void CMsgWnd::showAsNotice(const QString& closeKey) {
    notice_ = true;
    cancel_->hide();
    ResourceManager::instance().setResourceText(confirm_, closeKey);
}

void CMsgWnd::setDefaultChoice(int choice) {
    default_ = choice == kAlternative ? alternative_ : choice == kCancelled ? cancel_ : confirm_;
    for (QAbstractButton* button : {confirm_, cancel_, alternative_}) {
        if (auto* push = qobject_cast<QPushButton*>(button)) push->setDefault(button == default_);
    }
}

void CMsgWnd::setDetails(const QString& details, const QString& command) {
    showText(details_, details);
    showText(command_, command);
}

void CMsgWnd::fitAndCentre() {
    if (QLayout* frame = layout()) {
        ensurePolished();
        const int needed = frame->hasHeightForWidth() ? frame->totalHeightForWidth(width())
                                                      : frame->totalSizeHint().height();
        setFixedHeight(std::max(height(), needed));
    }
    setGeometry(centredGeometry(this, parentWidget()));
}

// The keyboard starts on the default answer: Enter on a focused button presses that button, so
// a focus left on the first button of the row (the alternative) would make Enter answer with it.
int CMsgWnd::showModal() {
    fitAndCentre();
    default_->setFocus(Qt::OtherFocusReason);
    const int result = exec();
    return result == kConfirmed || result == kAlternative ? result : kCancelled;
}

void CMsgWnd::showModeless() {
    setModal(false);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    fitAndCentre();
    show();
    default_->setFocus(Qt::OtherFocusReason);
}

void runMessageBox(QWidget* parent, const QString& titleKey, const QString& textKey) {
    CMsgWnd box(parent, titleKey, textKey);
    box.showAsNotice(QStringLiteral("confirm_text"));
    box.showModal();
}

}  // namespace qx4::gui
