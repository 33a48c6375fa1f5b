#pragma once

#include <QString>
#include <QStringView>

#include "core/files/DocumentFormat.h"

class QMimeData;

// Text crossing the clipboard, the primary selection and drag and drop. What leaves a document
// goes out twice: as the platform's plain text, with each CR LF turned into LF as other programs
// expect, and under a type of the program's own with the characters exactly as they stand, lone
// CRs and LFs included. What comes in from another window of the program takes that exact form;
// text from any other program has each of its line breaks (CR LF, a lone CR, a lone LF) turned
// into the document's own. Either way a character the document cannot hold becomes '?'.
class ClipboardText {
public:
    static const QString kExactType;

    // New mime data for the characters chars of a document; the caller owns it.
    static QMimeData* toMime(QStringView chars);
    // The characters that data brings into a document of the given kind.
    static QString fromMime(const QMimeData& data, const DocumentFormat& format);
    // Whether data carries text of either form.
    static bool hasText(const QMimeData& data);
    // The plain text other programs receive for chars: each CR LF becomes LF.
    static QString plainText(QStringView chars);
};
