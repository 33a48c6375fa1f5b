#include "TestFiles.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <random>

namespace {

constexpr int kLineChars = 80;

const char* const kWords[] = {
    "sole",    "mare",       "luna",   "vico",      "strada",  "pizza",     "caffe",
    "vesuvio", "funicolare", "golfo",  "tarallo",   "sfoglia", "ragu",      "vongola",
    "basso",   "chiesa",     "piazza", "lampione",  "barca",   "pescato",   "mercato",
    "limone",  "arancia",    "vino",   "festa",     "canzone", "mandolino", "tammorra",
    "cortile", "balcone",    "bucato", "scugnizzo", "presepe", "cornetto",  "sfogliatella",
};

// The same words with their accents, in UTF-8; none holds "Pulcinella" or "Scaramuccia".
const char* const kAccented[] = {"caff\xc3\xa8", "rag\xc3\xb9", "citt\xc3\xa0", "per\xc3\xb2"};

// A line of exactly bytes bytes; with accents, one word in four is an accented one and a
// character cut in two at the end is replaced by blanks.
QByteArray line(std::mt19937& random, qint64 bytes, bool accents = false) {
    QByteArray text;
    text.reserve(bytes + 16);
    std::uniform_int_distribution<int> pick(0, int(std::size(kWords)) - 1);
    std::uniform_int_distribution<int> pickAccented(0, int(std::size(kAccented)) - 1);
    while (text.size() < bytes) {
        if (!text.isEmpty()) text += ' ';
        const int n = pick(random);
        text += accents && n % 4 == 0 ? kAccented[pickAccented(random)] : kWords[n];
    }
    text.truncate(bytes);
    while (!text.isEmpty() && (uchar(text.back()) & 0xC0) == 0xC0) text.back() = ' ';
    return text;
}

bool writeBytes(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

}  // namespace

bool TestFiles::writeOneLine(const QString& path, qint64 size) {
    std::mt19937 random(20240601);
    const QByteArray text = line(random, size);
    return text.size() == size && writeBytes(path, text);
}

bool TestFiles::write(const QString& path, qint64 size, Kind kind) {
    const bool accents = kind == Kind::Utf8Lf;
    const QByteArray lineEnd = kind == Kind::CrLf ? "\r\n" : "\n";
    const qint64 lineBytes = kLineChars + lineEnd.size();
    const qint64 fullLines = size / lineBytes;
    const qint64 rest = size % lineBytes;
    std::mt19937 random(20240601);
    QByteArray text;
    text.reserve(size);
    const qint64 markerLine = std::max<qint64>(0, fullLines - 3);
    for (qint64 i = 0; i < fullLines; ++i) {
        QByteArray l = line(random, kLineChars, accents);
        if (i == markerLine && accents) {
            // Rebuilt from plain words: a replacement could cut an accented letter in two.
            l = line(random, 20) + "Pulcinella" + line(random, kLineChars - 30);
        } else if (i == markerLine) {
            l.replace(20, 10, "Pulcinella");
        }
        text += l;
        text += lineEnd;
    }
    if (rest > 0 && rest < lineEnd.size()) {
        text += QByteArray(rest, ' ');
    } else if (rest > 0) {
        text += line(random, int(rest - lineEnd.size()), accents);
        text += lineEnd;
    }
    return text.size() == size && writeBytes(path, text);
}
