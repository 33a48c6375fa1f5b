#include "ScriptReader.h"

QByteArray ScriptReader::text(int maxLength) {
    const int length = maxLength > 0 ? byte() % (maxLength + 1) : 0;
    QByteArray out;
    for (int i = 0; i < length; ++i) {
        const quint8 b = byte();
        switch (b & 3) {
            case 0:
                out += '\r';
                break;
            case 1:
                out += '\n';
                break;
            case 2:
                out += char('a' + (b >> 2) % 3);
                break;
            default:
                out += char(b);
                break;
        }
    }
    return out;
}

QByteArray ScriptReader::longLine() {
    static const char words[] = "lorem ipsum dolor sit amet ";
    QByteArray out = text(3);
    const int length = 4096 + 64 * byte();
    out.reserve(length + 8);
    for (int i = 0; i < length; ++i) out += words[i % (sizeof words - 1)];
    return out + text(3);
}
