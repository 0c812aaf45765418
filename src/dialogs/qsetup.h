#pragma once

#include <QAbstractSpinBox>
#include <QDialog>
#include <QImage>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tamberlin {

class QuizHost;

// What a host window may add to QuizHost: whether its last Save or Save As failed with an error
// (as opposed to the author cancelling the save dialog).
class SaveFailureReport {
public:
    virtual ~SaveFailureReport() = default;
    virtual bool lastSaveFailed() const = 0;
};

// A whole-number field with up/down arrows. It shows only values within its range when a value
// is set; its text reads as the whole number it holds, or as the minimum when it holds none.
// With typing allowed, a typed number outside the range stays until the field loses the
// keyboard focus, where it is brought into the range. Without typing, only the arrows (buttons
// or arrow keys) change it.
class NumberField : public QAbstractSpinBox {
    Q_OBJECT
public:
    NumberField(int minimum, int maximum, bool typingAllowed, QWidget* parent = nullptr);

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // The number the field's text stands for, as it reads now (not brought into the range).
    int value() const;
    // Sets the field to a value brought into the range.
    void setValue(int value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int clamp(long long value) const;
    int minimum_;
    int maximum_;
};

// The "Set Up" window: fills the quiz header from its controls on Accept and saves the quiz
// through the main window. Created once; shown modally each time the quiz is set up.
class Tqsetup : public QDialog {
    Q_OBJECT
public:
    explicit Tqsetup(QuizHost& host, QWidget* parent = nullptr);

    // Loads the controls from the quiz block (runs each time the dialog is shown).
    void FormShow();
    // Accept: the login check, the header written, the quiz saved, the dialog closed with OK.
    void SpeedButton2Click();
    // Cancel: closes with the result Cancel, writing nothing.
    void SpeedButton1Click();
    // The cookie rule: "Home/Log In Address" is usable only while "Cookie Required" is checked.
    void cookieboxClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QuizHost& host_;
    QImage background_;
    QLineEdit* Edit1;
    NumberField* SpinEdit1;
    NumberField* SpinEdit2;
    NumberField* SpinEdit3;
    QLineEdit* quizid;
    QLineEdit* FPT;
    QLineEdit* redirect;
    QCheckBox* cookiebox;
    QLabel* Label4;
    QLineEdit* HomeLog;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
};

// Decodes the dialog's background JPEG held in the program's resources.
QImage DecodeSetupBackground(const QByteArray& jpegBytes);

} // namespace tamberlin
