#include "window/ReadoutPanel.h"

#include "app/ReadoutText.h"
#include "chart/BarSeries.h"
#include "monitor/MonitorDesign.h"
#include "text/QtText.h"

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <algorithm>

namespace {

QRect RectOf(const design::Bounds& b)
{
    return QRect(b.Left, b.Top, b.Width, b.Height);
}

// The user's decimal separator, when it is one ASCII character.
char DecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 128)
        return static_cast<char>(point[0].unicode());
    return '.';
}

QLabel* NewLabel(const QString& text, QWidget* parent, const design::Bounds& bounds)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(RectOf(bounds));
    return label;
}

}  // namespace

TReadoutPanel::TReadoutPanel(QWidget* parent)
{
    // A flat frame holding the tooltip-coloured panel with the labels.
    fFrame = new QLabel(QStringFromUtf8(design::Panel35Caption), parent);
    fFrame->setGeometry(RectOf(design::Panel35Bounds));
    fFrame->setAlignment(Qt::AlignCenter);
    fFrame->setAutoFillBackground(true);
    fPanel = new QFrame(fFrame);
    fPanel->setGeometry(RectOf(design::Panel36Bounds));
    fPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fPanel->setLineWidth(1);
    QPalette tipPalette = fPanel->palette();
    tipPalette.setColor(QPalette::Window, tipPalette.color(QPalette::ToolTipBase));
    tipPalette.setColor(QPalette::WindowText, tipPalette.color(QPalette::ToolTipText));
    fPanel->setPalette(tipPalette);
    fPanel->setAutoFillBackground(true);
    fToneLabel = NewLabel(QStringFromUtf8(design::Label56Caption), fPanel, design::Label56Bounds);
    fFrequencyLabel = NewLabel(QStringFromUtf8(design::Label57Caption), fPanel, design::Label57Bounds);
    fBitsLabel = NewLabel(QStringFromUtf8(design::Label58Caption), fPanel, design::Label58Bounds);
}

void TReadoutPanel::ShowBar(const TBarSeries& series, int index, int firstTone)
{
    try {
        const char separator = DecimalSeparator();
        const int tone = index + firstTone;
        SetLabel(fToneLabel, ReadoutToneText(tone));
        SetLabel(fFrequencyLabel, ReadoutFrequencyText(tone, separator));
        SetLabel(fBitsLabel, ReadoutBitsText(series.YValues().ValueAt(index), separator));
    } catch (...) {
        // The labels keep what they had reached.
    }
}

void TReadoutPanel::ShowIdle()
{
    SetLabel(fToneLabel, std::string(design::ReadoutToneIdle));
    SetLabel(fFrequencyLabel, std::string(design::ReadoutFrequencyIdle));
    SetLabel(fBitsLabel, std::string(design::ReadoutBitsIdle));
}

void TReadoutPanel::SetLabel(QLabel* label, const std::string& text)
{
    // A move that stays on the same bar leaves the label untouched; the
    // labels size themselves to their text.
    const QString value = QStringFromUtf8(text);
    if (label->text() == value)
        return;
    label->setText(value);
    label->resize(std::max(1, label->fontMetrics().horizontalAdvance(value)), label->height());
}
