#include "gui/common/number_entry.h"

#include <QLineEdit>
#include <QToolTip>
#include <QValidator>

#include "core/edit/decimal_text.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
class RangeValidator final : public QValidator {
public:
    RangeValidator(std::int32_t lowest, std::int32_t highest, QLineEdit& entry)
        : QValidator(&entry), entry_(entry), lowest_(lowest), highest_(highest) {}

    State validate(QString& input, int& /*position*/) const override {
        switch (typedNumber(input.toStdU16String(), lowest_, highest_)) {
            case TypedNumber::withinRange:
                return Acceptable;
            case TypedNumber::unfinished:
                return Intermediate;
            case TypedNumber::refused:
                break;
        }
        return Invalid;
    }

    // QLineEdit asks for this when it is left, or Enter is pressed, without a number of the range.
    // A disabled entry (which loses the focus as it is disabled) keeps what the program put there.
    void fixup(QString& input) const override {
        if (lastShown_ && entry_.isEnabled()) input = QString::number(*lastShown_);
    }

    void noteShown(const QString& text) {
        if (const auto number = numberWithin(text.toStdU16String(), lowest_, highest_)) lastShown_ = number;
    }
    std::optional<std::int32_t> lastShown() const { return lastShown_; }

private:
    const QLineEdit& entry_;
    std::int32_t lowest_;
    std::int32_t highest_;
    std::optional<std::int32_t> lastShown_;
};
}  // namespace

void limitToRange(QLineEdit& entry, std::int32_t lowest, std::int32_t highest) {
    auto* validator = new RangeValidator(lowest, highest, entry);
    validator->noteShown(entry.text());
    entry.setValidator(validator);
    QObject::connect(&entry, &QLineEdit::textChanged, validator,
                     [validator](const QString& text) { validator->noteShown(text); });
    QObject::connect(&entry, &QLineEdit::inputRejected, &entry, [&entry, lowest, highest] {
        const QString range =
            ResourceManager::instance().text(QStringLiteral("number_range_text")).arg(lowest).arg(highest);
        QToolTip::showText(entry.mapToGlobal(QPoint(0, entry.height())), range, &entry);
    });
}

std::optional<std::int32_t> lastNumberShown(const QLineEdit& entry) {
    const auto* validator = dynamic_cast<const RangeValidator*>(entry.validator());
    return validator ? validator->lastShown() : std::nullopt;
}

}  // namespace qx4::gui
