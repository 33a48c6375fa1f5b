// Any byte string decodes and encodes back unchanged; any text encodes to one byte a character.
#include <cstdio>
#include <cstdlib>

#include "CodePageProperties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = CodePageProperties::check(input);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_codepage: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
