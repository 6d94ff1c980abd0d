#include "ReadableColour.h"

#include <algorithm>
#include <cmath>

namespace {

double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

} // namespace

double ReadableColour::Contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableColour::On(const QColor& colour, const QColor& background, double least)
{
    if (Contrast(colour, background) >= least)
        return colour;
    // Towards white or towards black, whichever end stands further from the background.
    const bool lighter = Contrast(Qt::white, background) >= Contrast(Qt::black, background);
    const QColor hsl = colour.toHsl();
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    float alpha = 1;
    hsl.getHslF(&hue, &saturation, &lightness, &alpha);
    const float end = lighter ? 1.0f : 0.0f;
    const auto at = [&](float l) { return QColor::fromHslF(hue, saturation, l, alpha).toRgb(); };
    if (Contrast(at(end), background) < least)
        return at(end);
    // The least change that is enough: contrast grows steadily towards the end.
    float enough = end;
    float tooLittle = lightness;
    for (int i = 0; i < 24; ++i) {
        const float middle = (enough + tooLittle) / 2;
        if (Contrast(at(middle), background) >= least)
            enough = middle;
        else
            tooLittle = middle;
    }
    return at(enough);
}

QColor ReadableColour::Designed(const QColor& colour, const QColor& background)
{
    return On(colour, background, std::min(TextContrast, Contrast(colour, Qt::white)));
}
