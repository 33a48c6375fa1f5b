#pragma once
// Placeholder until the text model lands.
#include <QByteArray>
class TextBuffer {
public:
    QByteArray text;
};
