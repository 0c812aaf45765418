#pragma once

#include <QDialog>
#include <QImage>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tamberlin {

class QuizHost;

namespace widgets {
class NumberField;
}

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
    widgets::NumberField* SpinEdit1;
    widgets::NumberField* SpinEdit2;
    widgets::NumberField* SpinEdit3;
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
