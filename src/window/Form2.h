#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The help window: seven lines of usage instructions and an OK button. It
// is created hidden at start-up and shown modally by the main window.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // The help text, one line per entry joined by line breaks.
    static QString HelpText();

    // --- handlers ------------------------------------------------------------------------------------
    // OK: closes the help window.
    void Button1Click();

    // --- controls (design names) -------------------------------------------------------------------------
    QPushButton* Button1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
};
