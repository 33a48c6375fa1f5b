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

    // The kind of a file read whole; utf8Session tells whether the user's session is UTF-8
    // (sessionIsUtf8):
    // - CR LF when it holds both a CR and an LF (also a file with LF line ends and one stray
    //   CR); otherwise LF (also an empty file and a file without any line break).
    // - UTF-8 when it is valid UTF-8, holds none of the characters the text box keeps for its own
    //   display (see DisplayText::isReserved), and either has at least one multi-byte sequence
    //   (a byte-order mark counts) or is an LF file of a UTF-8 session (plain ASCII among them);
    //   otherwise the code page.
    static DocumentFormat detect(const QByteArray& fileBytes, bool utf8Session);
    // Whether the locale the environment names for characters (LC_ALL, else LC_CTYPE, else
    // LANG) is a UTF-8 one.
    static bool sessionIsUtf8();

    // The characters that bytes stand for. In UTF-8, bytes that are not valid UTF-8 (which no
    // detected file holds) become U+FFFD.
    QString decode(const QByteArray& bytes) const;
    // The bytes of chars. In the code page a character it lacks becomes '?'.
    QByteArray encode(QStringView chars) const;

    // The line break as characters and as the bytes appended to a saved file.
    QString lineBreakChars() const;
    QByteArray lineEnd() const;
    // What a save writes after text (the document's bytes): nothing when an LF document's text
    // already ends with its line break, otherwise lineEnd().
    QByteArray lineEndAfter(const QByteArray& text) const;

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
