#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPrinter;
class QWidget;

// A printed picture of a window (Ctrl+Alt+Print Screen in every window), on one landscape
// page, as large as the page allows without losing its proportions.
class Hardcopy
{
public:
    // Where the picture goes on the page: at the top left, scaled to fit both ways.
    static QRectF FitRect(const QSizeF& picture, const QRectF& page);

    // Prints picture on one landscape page of printer; the printer's orientation is restored
    // afterwards. False when the printer cannot be opened or the picture is empty.
    static bool PrintPicture(const QImage& picture, QPrinter& printer);

    // Prints a picture of the window that holds form on the default printer.
    static bool PrintFormHardcopy(QWidget* form);
};
