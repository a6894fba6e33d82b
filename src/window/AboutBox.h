#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

// The About box's text: the program's line, LF CR, the credit line.
QString AboutBoxText();

// The About box, ready to run modally: a standard message box with an OK
// button and the program's title as caption, centred on the parent's screen.
std::unique_ptr<QMessageBox> CreateAboutBox(QWidget* parent);
