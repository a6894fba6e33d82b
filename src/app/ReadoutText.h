#pragma once
// Texts of the hover readout: tone number, frequency and bits of the bar
// under the mouse. The blanks after each caption line the values up in the
// window's proportional font; they are part of the texts.

#include <string>
#include <string_view>

// The captions in front of the values.
inline constexpr std::string_view ReadoutToneCaption = "Tone number:   ";
inline constexpr std::string_view ReadoutFrequencyCaption = "Frequency:       ";
inline constexpr std::string_view ReadoutBitsCaption = "Bits:                  ";
inline constexpr std::string_view ReadoutFrequencyUnitText = " KHz";

// The shortest general decimal form with at most 15 significant digits: no
// trailing zeros, no thousands separator, the given decimal separator
// (4.3125, 2208, 1173, 0.3 for 0.1 + 0.2). Very large and very small
// magnitudes use an exponent (1E+15, 1E-5).
std::string ShortestDecimal(double value, char decimalSeparator = '.');

// The tone's frequency in kHz: tone times the tone spacing.
double ToneFrequencyKHz(int tone);

// "Tone number:   272"
std::string ReadoutToneText(int tone);
// "Frequency:       1173 KHz"
std::string ReadoutFrequencyText(int tone, char decimalSeparator = '.');
// "Bits:                  12"
std::string ReadoutBitsText(double bits, char decimalSeparator = '.');
