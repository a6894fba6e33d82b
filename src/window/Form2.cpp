#include "window/Form2.h"

#include "monitor/MonitorDesign.h"
#include "text/QtText.h"

#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QRect RectOf(const design::Bounds& b)
{
    return QRect(b.Left, b.Top, b.Width, b.Height);
}

}  // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringFromUtf8(design::Form2Caption));
    QFont font(QStringFromUtf8(design::FontName));
    font.setPixelSize(design::FontPixelSize);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    // A dialog border: fixed size, placed anew each time it is shown.
    setFixedSize(design::Form2ClientWidth, design::Form2ClientHeight);
    move(design::Form2Bounds.Left, design::Form2Bounds.Top);

    Button1 = new QPushButton(QStringFromUtf8(design::Form2Button1Caption), this);
    Button1->setGeometry(RectOf(design::Form2Button1Bounds));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(RectOf(design::Form2Memo1Bounds));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(HelpText());
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::ToolTipBase));
    memoPalette.setColor(QPalette::Text, memoPalette.color(QPalette::ToolTipText));
    Memo1->setPalette(memoPalette);

    setTabOrder(Button1, Memo1);
}

QString TForm2::HelpText()
{
    QStringList lines;
    for (std::string_view line : design::HelpLines)
        lines << QStringFromUtf8(line);
    return lines.join(QLatin1Char('\n'));
}

void TForm2::Button1Click()
{
    accept();
}
