#include "Hardcopy.h"

#include <QPageLayout>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

#include <algorithm>

QRectF Hardcopy::FitRect(const QSizeF& picture, const QRectF& page)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        return QRectF(page.topLeft(), QSizeF(0, 0));
    const double f = std::min(page.width() / picture.width(), page.height() / picture.height());
    return QRectF(page.topLeft(), picture * f);
}

bool Hardcopy::PrintPicture(const QImage& picture, QPrinter& printer)
{
    if (picture.isNull())
        return false;
    const QPageLayout::Orientation remembered = printer.pageLayout().orientation();
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    const bool ok = painter.begin(&printer);
    if (ok) {
        const QRectF page(QPointF(0, 0), QSizeF(printer.pageRect(QPrinter::DevicePixel).size()));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(FitRect(QSizeF(picture.size()), page), picture);
        painter.end();
    }
    printer.setPageOrientation(remembered);
    return ok;
}

bool Hardcopy::PrintFormHardcopy(QWidget* form)
{
    if (!form)
        return false;
    const QImage picture = form->window()->grab().toImage();
    QPrinter printer(QPrinter::HighResolution);
    return PrintPicture(picture, printer);
}
