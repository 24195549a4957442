#include "gui/pages/button_rows.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "gui/common/control_lookup.h"
#include "gui/common/elided_text.h"
#include "gui/common/resource_manager.h"
#include "gui/common/skin.h"
#include "gui/pages/mouse_picture.h"

namespace qx4::gui {

namespace {

int arrowStep(const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier) return 0;
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Left: return -1;
    case Qt::Key_Down:
    case Qt::Key_Right: return 1;
    default: return 0;
    }
}

constexpr int kNumberSize = 18;
constexpr int kNumberLeft = 6;

QString fromUtf16(std::u16string_view text) {
    return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}
}  // namespace

QString buttonPlace(int button) {
    return ResourceManager::instance().text(QStringLiteral("button_place_%1_text").arg(button + 1));
}

ButtonRows::ButtonRows(QWidget* page) {
    picture_ = requireControl<MousePicture>(page, "wireless_mouse_picture");
    for (int i = 0; i < kShownButtonCount; ++i) {
        Row& row = rows_[static_cast<std::size_t>(i)];
        row.button = requireControl<QPushButton>(page, QStringLiteral("wireless_button%1_btn").arg(i + 1));
        row.indicator = requireControl<QLabel>(page, QStringLiteral("wireless_key%1_control").arg(i + 1));
        row.button->setCheckable(true);
        row.button->setAutoDefault(true);  // Enter chooses a row as Space does
        row.button->installEventFilter(this);
        row.number = new QLabel(QString::number(i + 1), row.button);
        row.number->setObjectName(QStringLiteral("wireless_button%1_number").arg(i + 1));
        row.number->setProperty("qx4role", QStringLiteral("rownumber"));
        row.number->setAlignment(Qt::AlignCenter);
        row.number->setFixedSize(kNumberSize, kNumberSize);
        row.number->setAttribute(Qt::WA_TransparentForMouseEvents);
        picture_->setIndicator(i, row.indicator);
        connect(row.button, &QAbstractButton::toggled, this, [this, i](bool checked) { onToggled(i, checked); });
    }
    connect(picture_, &MousePicture::buttonHovered, this, &ButtonRows::onPictureHovered);
    connect(picture_, &MousePicture::buttonClicked, this, &ButtonRows::onPictureClicked);
    connect(picture_, &MousePicture::keyboardButtonChanged, this, &ButtonRows::onPictureKeyboard);
    updateLights();
}

void ButtonRows::setLabel(int button, const DisplayText& label) {
    const QString text = fromUtf16(label.text);
    const QString shown = label.isLanguageKey ? ResourceManager::instance().text(text) : text;
    showElided(rows_[static_cast<std::size_t>(button)].button, shown);
    picture_->setButtonName(button, ResourceManager::instance()
                                        .text(QStringLiteral("button_picture_tip_text"))
                                        .arg(button + 1)
                                        .arg(buttonPlace(button), shown));
}

void ButtonRows::hold(int button, bool onlyThis) {
    held_ = button;
    holdsAlone_ = onlyThis;
    for (int i = 0; i < kShownButtonCount; ++i) {
        rows_[static_cast<std::size_t>(i)].button->setEnabled(!onlyThis || i == button);
    }
    setChecked(button, true);
    updateLights();
}

void ButtonRows::release() {
    held_ = -1;
    holdsAlone_ = false;
    for (int i = 0; i < kShownButtonCount; ++i) {
        rows_[static_cast<std::size_t>(i)].button->setEnabled(true);
        setChecked(i, false);
    }
    updateLights();
}

void ButtonRows::focusRow(int button) { rows_[static_cast<std::size_t>(button)].button->setFocus(); }

void ButtonRows::forgetPointer() {
    hoveredRow_ = hoveredPicture_ = keyboardRow_ = -1;
    updateLights();
}

void ButtonRows::onToggled(int button, bool checked) {
    if (checked) {
        Q_EMIT chosen(button);
    } else if (button == held_) {
        setChecked(button, true);  // a click on the held row leaves it held
    }
}

void ButtonRows::onPictureClicked(int button) {
    QPushButton* row = rows_[static_cast<std::size_t>(button)].button;
    if (row->isEnabled() && !row->isChecked()) row->setChecked(true);
}

void ButtonRows::onPictureHovered(int button) {
    hoveredPicture_ = button;
    picture_->setToolTip(picture_->buttonName(button));
    updateLights();
}

void ButtonRows::onPictureKeyboard(int button) {
    keyboardRow_ = button;
    updateLights();
}

void ButtonRows::setChecked(int button, bool checked) {
    QPushButton* row = rows_[static_cast<std::size_t>(button)].button;
    const QSignalBlocker blocker(row);
    row->setChecked(checked);
}

// While one row is held alone, pointing at the others lights nothing: they cannot be chosen.
void ButtonRows::updateLights() {
    for (int i = 0; i < kShownButtonCount; ++i) {
        const Row& row = rows_[static_cast<std::size_t>(i)];
        const bool pointed = !holdsAlone_ && (i == hoveredRow_ || i == hoveredPicture_ || i == keyboardRow_);
        const bool lit = i == held_ || pointed;
        row.indicator->setVisible(lit);
        setSkinProperty(row.number, "lit", lit);
    }
}

// The arrows go from row to row and stay in the list at its ends.
void ButtonRows::focusNeighbour(int button, int step) {
    for (int next = button + step; next >= 0 && next < kShownButtonCount; next += step) {
        QPushButton* row = rows_[static_cast<std::size_t>(next)].button;
        if (row->isEnabled()) {
            row->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return;
        }
    }
}

bool ButtonRows::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < kShownButtonCount; ++i) {
        const Row& row = rows_[static_cast<std::size_t>(i)];
        if (watched != row.button) continue;
        switch (event->type()) {
        case QEvent::Enter:
            hoveredRow_ = i;
            updateLights();
            break;
        case QEvent::Leave:
            if (hoveredRow_ == i) hoveredRow_ = -1;
            updateLights();
            break;
        case QEvent::FocusIn: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) keyboardRow_ = i;
            updateLights();
            break;
        }
        case QEvent::FocusOut:
            if (keyboardRow_ == i) keyboardRow_ = -1;
            updateLights();
            break;
        case QEvent::Resize:
            row.number->move(kNumberLeft, (row.button->height() - kNumberSize) / 2);
            break;
        case QEvent::KeyPress:
            if (const int step = arrowStep(*static_cast<QKeyEvent*>(event))) {
                focusNeighbour(i, step);
                return true;
            }
            break;
        default:
            break;
        }
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qx4::gui
