#pragma once

#include <QColor>

// Colours of text that stay readable on the background they are drawn on. A colour the program
// names (a marked row's grey, a refused key's red) was chosen for a white window; under a dark
// palette it would vanish into the background. Contrast is measured as the ratio of the two
// colours' relative luminance (1 for equal colours, 21 for black on white), as accessibility
// guidelines do.
class ReadableColour
{
public:
    // What text needs to be read with ease.
    static constexpr double TextContrast = 4.5;

    static double Contrast(const QColor& a, const QColor& b);

    // The colour itself when it has at least the contrast least against background; otherwise
    // the same hue made lighter (on a dark background) or darker (on a light one) until it has,
    // or as far as it can go.
    static QColor On(const QColor& colour, const QColor& background, double least = TextContrast);

    // A colour named for a white window, on background: it keeps the contrast it has on white,
    // up to what text needs, so a colour meant to be dim stays as dim as on white and no dimmer.
    static QColor Designed(const QColor& colour, const QColor& background);
};
