#include "core/files/NativePath.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at bytes[i] (1 to 4) and its code point, or 0 when no
// valid sequence starts there: overlong forms, surrogates and values past U+10FFFF are invalid.
int sequenceAt(const QByteArray& bytes, qsizetype i, char32_t* point) {
    const auto at = [&bytes](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) {
        *point = lead;
        return 1;
    }
    int length;
    char32_t value;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (int k = 1; k < length; ++k) {
        if (!isContinuation(at(i + k))) return 0;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *point = value;
    return length;
}

}  // namespace

QByteArray NativePath::encode(const QString& path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype plainFrom = 0;
    const auto flushPlain = [&](qsizetype to) {
        if (to > plainFrom) bytes += QStringView(path).mid(plainFrom, to - plainFrom).toUtf8();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        // A low surrogate that follows a high one is half of a pair, not an escape.
        if (isEscape(unit) && !(i > 0 && QChar::isHighSurrogate(path[i - 1].unicode()))) {
            flushPlain(i);
            bytes += static_cast<char>(unit - EscapeBase);
            plainFrom = i + 1;
        }
    }
    flushPlain(path.size());
    return bytes;
}

QString NativePath::decode(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t point;
        const int length = sequenceAt(bytes, i, &point);
        if (length > 0) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(bytes.constData() + plainFrom, i - plainFrom);
        path += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[i])));
        plainFrom = ++i;
    }
    path += QString::fromUtf8(bytes.constData() + plainFrom, bytes.size() - plainFrom);
    return path;
}

bool NativePath::isPlain(const QString& path) { return encode(path) == path.toUtf8(); }

QString NativePath::readable(const QString& path) {
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isEscape(shown[i].unicode()) && !(i > 0 && shown[i - 1].isHighSurrogate()))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

QString NativePath::toUri(const QString& path) {
    return QStringLiteral("file://") + QString::fromLatin1(encode(path).toPercentEncoding("/"));
}

QString NativePath::fromEncodedPath(const QString& encodedPath) {
    return decode(QByteArray::fromPercentEncoding(encodedPath.toLatin1()));
}
