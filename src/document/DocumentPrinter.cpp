#include "document/DocumentPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextOption>

#include "document/PrintableText.h"

DocumentPrinter::Outcome DocumentPrinter::printOnDefaultPrinter(const QString& text,
                                                                const QString& jobName) {
    // A QPrinter made without a printer still claims to be valid and then prints nothing, so
    // the default printer is looked up first.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return Outcome::NoPrinter;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(jobName);
    return print(text, printer) ? Outcome::Sent : Outcome::PrinterError;
}

std::unique_ptr<QTextDocument> DocumentPrinter::layoutDocument(const QString& text) {
    auto doc = std::make_unique<QTextDocument>();
    // The printer's page area already has the printer's margins around it.
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    doc->setPlainText(PrintableText::from(text));
    return doc;
}

bool DocumentPrinter::print(const QString& text, QPrinter& printer) {
    std::unique_ptr<QTextDocument> doc = layoutDocument(text);

    QPainter painter;
    if (!painter.begin(&printer)) return false;

    // Lay the text out at the printer's resolution, one page at a time: a line that does not
    // fit on a page moves whole to the next one.
    doc->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    doc->setPageSize(page.size());
    const int pages = doc->pageCount();

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const QRectF band(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -band.top());
        context.clip = band;
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}
