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
    // Any byte string decodes to one character per byte, none of them one that the text box
    // shows in place of others, and encodes back to the same bytes; shown in a text box, each
    // CR LF is one character and every other byte one.
    static QString checkBytes(const QByteArray& bytes);
    // Any UTF-16 text encodes to one byte per character (a surrogate pair is one character), and
    // the bytes decode and encode back to themselves.
    static QString checkText(QStringView text);
    // Any byte string opens as a document of one kind, in a UTF-8 session and outside one
    // (DocumentFormat::detect, whose rule is written out here once more), saved at once gets
    // the line end the rule gives, and decodes and encodes back to the same bytes; UTF-8 is told
    // valid exactly when Qt's own strict decoder finds no error; and the document holds no
    // character that the text box shows in place of others.
    static QString checkDocument(const QByteArray& bytes);
    // All three: the input as bytes, and the input read as UTF-16 code units (little-endian
    // pairs).
    static QString check(const QByteArray& input);
};
