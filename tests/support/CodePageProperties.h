#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// What must hold for any input of the code page and of the way a text box shows text. The fuzz
// target of the code page calls check() on every input it makes up; the unit tests replay the
// inputs it kept. Each function returns an empty string when everything held, otherwise what did
// not, readable enough to start debugging from.
class CodePageProperties {
public:
    // Any byte string decodes to one character per byte and encodes back to the same bytes, and
    // shown in a text box and read back from what is shown it is still the same bytes.
    static QString checkBytes(const QByteArray& bytes);
    // Any UTF-16 text encodes to one byte per character (a surrogate pair is one character), the
    // bytes decode and encode back to themselves, and what the text box shows of text typed or
    // pasted by the user reads back as exactly the bytes that will be saved.
    static QString checkText(QStringView text);
    // Any byte string opens as a document of one kind (DocumentFormat::detect, whose rule is
    // written out here once more) and saves back to the same bytes; UTF-8 is told valid exactly
    // when Qt's own strict decoder finds no error; and every character of the document shows in
    // a text box and reads back as itself.
    static QString checkDocument(const QByteArray& bytes);
    // All three: the input as bytes, and the input read as UTF-16 code units (little-endian
    // pairs).
    static QString check(const QByteArray& input);
};
