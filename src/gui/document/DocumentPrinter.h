#pragma once

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <memory>

#include "core/files/CodePage.h"

class QPrinter;

// Prints a document's text as one print job. The printout ignores the window's look: the text
// is set in the printer's default font, black on white, broken into pages, with lines too long
// for the page wrapped (at a word boundary where there is one) so that nothing is cut off.
class DocumentPrinter {
public:
    enum class Outcome {
        Sent,          // the job went to the spooler
        NoPrinter,     // there is no default printer
        PrinterError,  // the printer refused the job (it could not start or add a page)
    };

    // Prints text on the system's default printer, with the printer's own settings. jobName is
    // what the spooler shows as the job's title.
    static Outcome printOnDefaultPrinter(const QString& chars, const QString& jobName);

    // Prints text on printer, which the caller has set up (a real printer or a PDF file).
    // Returns false when the printer could not start the job or add a page.
    static bool print(const QString& chars, QPrinter& printer);

    // The document that print() lays out (PrintableText), before it is given the page's width.
    static std::unique_ptr<QTextDocument> layoutDocument(const QString& chars);

    // The same for the bytes of a document in the code page.
    static Outcome printOnDefaultPrinter(const QByteArray& text, const QString& jobName) {
        return printOnDefaultPrinter(CodePage::decode(text), jobName);
    }
    static bool print(const QByteArray& text, QPrinter& printer) {
        return print(CodePage::decode(text), printer);
    }
    static std::unique_ptr<QTextDocument> layoutDocument(const QByteArray& text) {
        return layoutDocument(CodePage::decode(text));
    }
};
