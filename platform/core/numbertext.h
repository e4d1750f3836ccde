#pragma once

#include <QString>
#include <optional>

// Conversions between numbers, Booleans and text, the same everywhere in the suite: "." is the decimal point
// whatever the user's locale, so stored values read back the same on every machine.
namespace platform {

// Whole numbers without a decimal point ("5", "-37"), others with at most 15 significant digits ("12.5",
// "0.333333333333333"); no exponent for ordinary magnitudes (1e-5 up to 1e15).
QString numberToText(double v);

// The longest leading part of the text (after leading blanks) that reads as a decimal number; no such part
// gives 0.
double textToNumberLenient(const QString& text);

// The whole text (blanks around it allowed) must be a number; otherwise nothing.
std::optional<double> textToNumberStrict(const QString& text);

// "true" or "false" in any letter case, or a number (non-zero is true); otherwise nothing.
std::optional<bool> textToBoolStrict(const QString& text);

// "True" or "False".
QString boolToText(bool b);

} // namespace platform
