#pragma once

#include <QDialog>
#include <QImage>
#include <QSpinBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tamberlin {

class QuizHost;

// A whole-number field with up/down arrows. A value set by the program is brought into the
// range. With typing allowed, digits, signs and the decimal separator may be typed and a number
// outside the range stays in the field until it loses the keyboard focus, where it is brought
// into the range; number() reads the text as it stands (the minimum when it is not a whole
// number). Without typing, only the arrows (buttons or arrow keys) change it.
class NumberField : public QSpinBox {
    Q_OBJECT
public:
    NumberField(int minimum, int maximum, bool typingAllowed, QWidget* parent = nullptr);

    // The number the field's text stands for now, not brought into the range.
    int number() const;

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    int valueFromText(const QString& text) const override;
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
