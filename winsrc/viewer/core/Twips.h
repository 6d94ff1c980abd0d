#pragma once

// Stored positions and sizes keep the Windows program's unit, the twip (1/1440 inch, 15 per
// pixel at 96 dpi), so that values written by one program read the same in the other.
class Twips
{
public:
    static double perPixelX();
    static double perPixelY();
    static int toPixelsX(double twips);
    static int toPixelsY(double twips);
    static double fromPixelsX(int pixels);
    static double fromPixelsY(int pixels);
};
