#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

double dotsPerInch(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

} // namespace

double Twips::perPixelX()
{
    return 1440.0 / dotsPerInch(true);
}

double Twips::perPixelY()
{
    return 1440.0 / dotsPerInch(false);
}

int Twips::toPixelsX(double twips)
{
    return int(std::lround(twips / perPixelX()));
}

int Twips::toPixelsY(double twips)
{
    return int(std::lround(twips / perPixelY()));
}

double Twips::fromPixelsX(int pixels)
{
    return pixels * perPixelX();
}

double Twips::fromPixelsY(int pixels)
{
    return pixels * perPixelY();
}
