#pragma once

#include <QString>
#include <QtGlobal>

// How large a file may be to be loaded into a document window, judged from the memory the
// system has available at the moment. A window holds far more than its file: the text as read,
// the text as shown (two bytes a character) and the text box's own document with its layout,
// together well over ten times the file's size. A file whose window would not fit is refused
// before it is read, so that loading it can never end the program and lose the other windows.
class LoadBound {
public:
    // Bytes of memory a window may need for each byte of its file, with room to spare.
    static constexpr qint64 BytesPerFileByte = 16;

    // The memory the program may still take, in bytes: what the system reports as available,
    // or less where the program's control group allows less; -1 when nothing tells.
    static qint64 availableMemory();

    // The largest file that may be loaded now; no bound at all when the available memory is not
    // known.
    static qint64 fromAvailableMemory();
};
