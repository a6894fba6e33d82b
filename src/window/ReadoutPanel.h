#pragma once

#include <string>

class QFrame;
class QLabel;
class QWidget;
class TBarSeries;

// The hover readout under the chart: a flat frame (Panel35) holding a
// tooltip-coloured panel (Panel36) with the tone, frequency and bits labels
// (Label56, Label57, Label58). It shows the bar under the mouse, or the idle
// texts when the mouse is on no bar. The widgets belong to the parent given
// at construction; the window places and anchors the frame.
class TReadoutPanel {
public:
    // Makes the frame, the panel and the labels at their design bounds, the
    // frame a child of parent.
    explicit TReadoutPanel(QWidget* parent);

    // --- getters -------------------------------------------------------------------------------------
    QLabel* Frame() const { return fFrame; }
    QFrame* Panel() const { return fPanel; }
    QLabel* ToneLabel() const { return fToneLabel; }
    QLabel* FrequencyLabel() const { return fFrequencyLabel; }
    QLabel* BitsLabel() const { return fBitsLabel; }

    // --- readout -------------------------------------------------------------------------------------
    // The bar at index of series, whose first bar is tone firstTone: its tone,
    // frequency and bits, in the user's decimal separator. A text that cannot
    // be made leaves that label and the ones after it as they were.
    void ShowBar(const TBarSeries& series, int index, int firstTone);
    // The mouse is on no bar.
    void ShowIdle();

private:
    static void SetLabel(QLabel* label, const std::string& text);

    // --- widgets -------------------------------------------------------------------------------------
    QLabel* fFrame = nullptr;
    QFrame* fPanel = nullptr;
    QLabel* fToneLabel = nullptr;
    QLabel* fFrequencyLabel = nullptr;
    QLabel* fBitsLabel = nullptr;
};
