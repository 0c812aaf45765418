#pragma once

#include <QAbstractSpinBox>

namespace tamberlin::widgets {

// A whole-number field with up/down arrows. It reads as the whole number in its text (cut to
// the 32-bit range), or as its minimum when the text is not a whole number (an empty field,
// say). A value set by the program or by the arrows stays within the range; a typed number
// outside it is kept until the field loses the keyboard focus, and only then brought into the
// range. Typed keys are limited to digits, signs and a decimal separator ("." or ","). A field
// without typing changes only with the arrows (buttons or arrow keys).
class NumberField : public QAbstractSpinBox {
    Q_OBJECT
public:
    NumberField(int minimum, int maximum, QWidget* parent = nullptr);

    void setTypingAllowed(bool allowed);

    int value() const;
    void setValue(int value);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int clamp(int value) const;

    int minimum_;
    int maximum_;
};

} // namespace tamberlin::widgets
