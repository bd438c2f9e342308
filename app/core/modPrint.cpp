#include "modPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <algorithm>
#include <memory>

Q_GUI_EXPORT int qt_defaultDpiY();

bool PrintRichText(const QTextDocument &document, QPrinter &printer, const PrintMargins &margins)
{
    // Margins count from the paper's edges; the device cannot print in its physical
    // offsets, so the body never starts inside them.
    printer.setFullPage(true);
    const double dpi = printer.resolution();
    const auto px = [dpi](int twips) { return twips * dpi / 1440.0; };
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);

    const double left = std::max(px(margins.left), printable.left() - paper.left());
    const double top = std::max(px(margins.top), printable.top() - paper.top());
    const double right = std::max(px(margins.right), paper.right() - printable.right());
    const double bottom = std::max(px(margins.bottom), paper.bottom() - printable.bottom());
    const QRectF body(left, top, paper.width() - left - right, paper.height() - top - bottom);
    if (body.width() < 1 || body.height() < 1)
        return false;

    // The document is laid out in its own units (as on screen, where indents and pictures
    // are measured) and scaled up to the printer, so everything keeps its printed size.
    const double scale = dpi / double(qt_defaultDpiY());
    const QSizeF page(body.width() / scale, body.height() / scale);
    std::unique_ptr<QTextDocument> doc(document.clone());
    doc->setDocumentMargin(0);
    doc->setPageSize(page);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int pages = std::max(1, doc->pageCount());
    for (int n = 0; n < pages; ++n) {
        if (n > 0)
            printer.newPage();
        const QRectF view(0, n * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(body.left(), body.top());
        painter.scale(scale, scale);
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext ctx;
        // Lines that only touch the page's edge belong to the neighbouring page; drawing
        // them here would put their text on two pages.
        ctx.clip = view.adjusted(0, 1, 0, -1);
        ctx.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, ctx);
        painter.restore();
    }
    return painter.end();
}
