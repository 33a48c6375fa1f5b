#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// The kind of a document: how its lines break and how its bytes stand for characters. It is
// decided once, from the bytes of the file a window opens, and the window keeps it for its life;
// a new document is CR LF in the code page.
//
// - Line break CR LF: the line break is CR LF, and a lone CR or LF is an ordinary character.
//   Line break LF: the line break is LF alone, and a CR is an ordinary character.
// - Encoding CodePage: one byte per character in the program's code page; a character the code
//   page lacks becomes '?'. Encoding Utf8: the characters of UTF-8, counted as UTF-16 code units
//   like the text box counts them (a character beyond U+FFFF takes two positions).
class DocumentFormat {
public:
    enum class LineBreak { CrLf, Lf };
    enum class Encoding { CodePage, Utf8 };

    DocumentFormat() = default;
    DocumentFormat(LineBreak lineBreak, Encoding encoding)
        : lineBreak_(lineBreak), encoding_(encoding) {}

    LineBreak lineBreak() const { return lineBreak_; }
    Encoding encoding() const { return encoding_; }
    bool isLf() const { return lineBreak_ == LineBreak::Lf; }
    bool isUtf8() const { return encoding_ == Encoding::Utf8; }
    bool operator==(const DocumentFormat& o) const {
        return lineBreak_ == o.lineBreak_ && encoding_ == o.encoding_;
    }
    bool operator!=(const DocumentFormat& o) const { return !(*this == o); }

    // The kind of a file read whole:
    // - LF when it holds at least one LF and no CR at all; otherwise CR LF (also a file with
    //   LF line ends and one stray CR, an empty file and a file without any line break).
    // - UTF-8 when it is valid UTF-8 with at least one multi-byte sequence (a byte-order mark
    //   counts) and holds none of the characters the text box keeps for its own display
    //   (see DisplayText::isReserved); otherwise the code page (plain ASCII among them).
    static DocumentFormat detect(const QByteArray& fileBytes);

    // The characters that bytes stand for. In UTF-8, bytes that are not valid UTF-8 (which no
    // detected file holds) become U+FFFD.
    QString decode(const QByteArray& bytes) const;
    // The bytes of chars. In the code page a character it lacks becomes '?'.
    QByteArray encode(QStringView chars) const;

    // The line break as characters and as the bytes appended to a saved file.
    QString lineBreakChars() const;
    QByteArray lineEnd() const;

    // Text from outside the document as the document holds it: each character the document
    // cannot hold becomes '?' (a surrogate pair as one '?' in the code page, a lone half of one
    // as '?' in UTF-8). Line breaks are left as they are.
    QString holdable(QStringView text) const;
    // The same, with each line break of the text (CR LF, a lone CR, a lone LF) turned into the
    // document's own: how text from other programs comes in.
    QString fromForeign(QStringView text) const;

private:
    LineBreak lineBreak_ = LineBreak::CrLf;
    Encoding encoding_ = Encoding::CodePage;
};
