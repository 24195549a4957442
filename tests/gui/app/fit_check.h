// Measures whether the texts of a window fit their controls: each label, button, check box, combo
// box item, entry and list entry that shows is measured with the control's own font against the
// room its style leaves for text, and so is every page of the stacks among them. A text cut with
// "…" must carry the whole text in its tool tip, and a list entry that does not fit must be cut at
// its end. It walks whatever widgets there are, so controls added later are measured too; buttons
// are also held to one rule of letter case.
#pragma once

#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <utility>

class QAbstractButton;
class QAbstractItemView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace qx4::gui::test {

class FitCheck {
public:
    // situation: the language and scale, "German at 200 %", for the messages.
    explicit FitCheck(QString situation) : situation_(std::move(situation)) {}

    // The widgets under root; a misfit is told once, with the first state it was seen in.
    void check(QWidget* root, const QString& state);
    // One line each: where, the text, and what is wrong with it.
    const QStringList& misfits() const { return misfits_; }

private:
    void walk(QWidget* root);
    void checkStacksUnder(QWidget* widget);
    void checkEveryPage(QStackedWidget* stack);
    void report(const QWidget* widget, const QString& text, const QString& why);
    void checkRoom(const QWidget* widget, const QString& text, QSize need, QSize room);
    void checkLabel(QLabel* label);
    void checkButton(QAbstractButton* button);
    void checkCase(const QPushButton* button);
    void checkCombo(QComboBox* combo);
    void checkEdit(QLineEdit* edit);
    void checkEntries(QAbstractItemView* view);

    QString situation_;
    QString state_;
    QSet<QString> seen_;
    QStringList misfits_;
};

}  // namespace qx4::gui::test
