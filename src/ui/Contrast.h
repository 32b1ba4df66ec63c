#pragma once

// Coloured text that stays readable on any palette: contrast ratios as the web's accessibility
// guidelines measure them, and a colour moved just far enough in lightness to reach one.

#include <QColor>

namespace hzm {

// Contrast between two colours, from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// The colour itself when it stands out from the background by at least minimum; otherwise the
// same hue made lighter (on a dark background) or darker (on a light one) until it does.
QColor readableColour(const QColor &colour, const QColor &background, double minimum = 4.5);

} // namespace hzm
