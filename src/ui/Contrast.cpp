#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace hzm {

namespace {

double luminance(const QColor &colour) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableColour(const QColor &colour, const QColor &background, double minimum) {
    if (contrastRatio(colour, background) >= minimum)
        return colour;
    const bool lighten = contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background);
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    colour.toHsl().getHslF(&hue, &saturation, &lightness);
    for (int step = 0; step < 100; ++step) {
        lightness = std::clamp(lightness + (lighten ? 0.01f : -0.01f), 0.0f, 1.0f);
        const QColor candidate = QColor::fromHslF(hue, saturation, lightness).toRgb();
        if (contrastRatio(candidate, background) >= minimum)
            return candidate;
    }
    return lighten ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace hzm
