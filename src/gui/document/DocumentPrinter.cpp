#include "gui/document/DocumentPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include "core/text/PrintableText.h"

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
    // fit on a page moves whole to the next one. Each line is then drawn by itself, on the page
    // where its top lies. The layout's own drawing cannot be used a page at a time: it draws
    // every block that touches the page's band, and a block whose line moved to the next page
    // still starts on this one, so that line printed at the foot of this page and again at the
    // top of the next.
    doc->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    doc->setPageSize(page.size());
    doc->pageCount();  // lays the whole text out

    painter.setPen(Qt::black);
    int current = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal top = origin.y() + line.y();
            const int onPage = qMax(current, int(top / page.height()));
            for (; current < onPage; ++current) {
                if (!printer.newPage()) {
                    painter.end();
                    return false;
                }
            }
            line.draw(&painter, QPointF(origin.x(), origin.y() - current * page.height()));
        }
    }
    return painter.end();
}
