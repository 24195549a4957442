// The modal warning box (layout "msg.xml"): a title and a text, both language keys, with a
// confirm and a cancel button, and an alternative answer when asked for; or, as a notice, with one
// button that closes it.
#pragma once

#include <QDialog>
#include <QString>

class QAbstractButton;
class QLabel;

namespace qx4::gui {

class CMsgWnd final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kConfirmed = 1;
    static constexpr int kCancelled = 0;
    static constexpr int kAlternative = 2;

    CMsgWnd(QWidget* parent, const QString& titleKey, const QString& textKey);

    // A notice asks nothing: one button, labelled by `closeKey`, closes it with 0.
    void showAsNotice(const QString& closeKey);
    // Plain text under the text, and a command the user can select and copy; either may be empty.
    void setDetails(const QString& details, const QString& command);
    // The text itself, when it holds more than its key (a number).
    void setText(const QString& text);
    // Answers by their language keys: confirm, cancel, and "alternative_btn" (2) at the left
    // unless its key is empty.
    void offerChoices(const QString& confirmKey, const QString& cancelKey, const QString& alternativeKey);
    // The answer Enter gives and the keyboard starts on: confirm unless set otherwise. A box whose
    // confirm throws something away (a reset, a deletion) makes cancel the default, so that Enter
    // never does.
    void setDefaultChoice(int choice);

    // Centres the box and runs it: 1 after "confirm_btn", 2 after "alternative_btn", 0 after
    // "cancel_btn" or closing it. The box grows downwards when its texts need more room than the
    // layout gives them.
    int showModal();
    // Centres the box as showModal does and returns at once, leaving the window usable; the box
    // deletes itself when closed.
    void showModeless();

private:
    void fitAndCentre();

    QAbstractButton* confirm_;
    QAbstractButton* cancel_;
    QAbstractButton* alternative_;
    QLabel* text_;
    QLabel* details_;
    QLabel* command_;
    QAbstractButton* default_;
    bool notice_ = false;
};

// Builds, runs and destroys a warning that asks nothing: OK closes it.
void runMessageBox(QWidget* parent, const QString& titleKey, const QString& textKey);

}  // namespace qx4::gui
