// The text model of a text box and the plain reference agree after every operation.
#include <cstdio>
#include <cstdlib>

#include "TextBufferScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray script(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = TextBufferScript::run(script);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_textbuffer: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
