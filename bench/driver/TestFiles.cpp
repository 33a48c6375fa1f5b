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

QByteArray line(std::mt19937& random, qint64 chars) {
    QByteArray text;
    text.reserve(chars + 16);
    std::uniform_int_distribution<int> pick(0, int(std::size(kWords)) - 1);
    while (text.size() < chars) {
        if (!text.isEmpty()) text += ' ';
        text += kWords[pick(random)];
    }
    text.truncate(chars);
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

bool TestFiles::write(const QString& path, qint64 size) {
    const qint64 lineBytes = kLineChars + 2;
    const qint64 fullLines = size / lineBytes;
    const qint64 rest = size % lineBytes;
    std::mt19937 random(20240601);
    QByteArray text;
    text.reserve(size);
    const qint64 markerLine = std::max<qint64>(0, fullLines - 3);
    for (qint64 i = 0; i < fullLines; ++i) {
        QByteArray l = line(random, kLineChars);
        if (i == markerLine) l.replace(20, 10, "Pulcinella");
        text += l;
        text += "\r\n";
    }
    if (rest == 1) {
        text += ' ';
    } else if (rest >= 2) {
        text += line(random, int(rest - 2));
        text += "\r\n";
    }
    return text.size() == size && writeBytes(path, text);
}
