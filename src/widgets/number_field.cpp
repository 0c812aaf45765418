#include "widgets/number_field.h"

#include <QFocusEvent>
#include <QLineEdit>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tamberlin::widgets {

namespace {

// The whole number a text stands for, brought into the 32-bit range; nothing when it is none.
std::optional<int> WholeNumber(const QString& text) {
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<qlonglong>(number, INT32_MIN, INT32_MAX));
}

} // namespace

NumberField::NumberField(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum) {
    setValue(minimum);
}

void NumberField::setTypingAllowed(bool allowed) {
    // A read-only text still steps with the arrow buttons and the arrow keys.
    lineEdit()->setReadOnly(!allowed);
}

int NumberField::clamp(int value) const {
    return std::clamp(value, minimum_, maximum_);
}

int NumberField::value() const {
    return WholeNumber(text()).value_or(minimum_);
}

void NumberField::setValue(int value) {
    lineEdit()->setText(QString::number(clamp(value)));
}

void NumberField::stepBy(int steps) {
    setValue(value() + steps);
}

QAbstractSpinBox::StepEnabled NumberField::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < maximum_) {
        enabled |= StepUpEnabled;
    }
    if (value() > minimum_) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State NumberField::validate(QString& input, int&) const {
    // Whatever passes reads as a number (or the minimum), so it is never held back as
    // incomplete.
    for (const QChar c : input) {
        if (!c.isDigit() && c != u'+' && c != u'-' && c != u'.' && c != u',') {
            return QValidator::Invalid;
        }
    }
    return QValidator::Acceptable;
}

void NumberField::fixup(QString&) const {}

void NumberField::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    // A typed number outside the range is brought into it now; a text that is not a number is
    // left as it is (it reads as the minimum).
    if (const std::optional<int> number = WholeNumber(text());
        number && *number != clamp(*number)) {
        setValue(*number);
    }
}

} // namespace tamberlin::widgets
