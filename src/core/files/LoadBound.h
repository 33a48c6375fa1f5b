#pragma once

#include <QByteArray>
#include <QtGlobal>

// Whether a file fits into a document window, judged from the memory the system has available
// at the moment. A window holds far more than its file: the text as read, the text as shown (two
// bytes a character) and the text box's own document, which keeps a block with its layout for
// every line. A file whose window would not fit is refused, so that loading it can never end the
// program and lose the other windows.
class LoadBound {
public:
    // What a window may need, with room to spare: for each byte of its file, and once more for
    // each line.
    static constexpr qint64 BytesPerFileByte = 16;
    static constexpr qint64 BytesPerLine = 512;

    // The memory the program may still take, in bytes: what the system reports as available,
    // or less where the program's control group allows less; -1 when nothing tells.
    static qint64 availableMemory();

    // The memory a window may need for a file of size bytes holding lines line breaks.
    static qint64 windowCost(qint64 size, qint64 lines);
    // The same for the text of a file as read.
    static qint64 windowCost(const QByteArray& text);
    // Whether a window costing cost fits into available bytes (-1: not known, so it does).
    static bool fits(qint64 cost, qint64 available);
};
