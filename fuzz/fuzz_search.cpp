// The document search and the plain reference search find the same and leave the same state.
#include <cstdio>
#include <cstdlib>

#include "SearchScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray script(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = SearchScript::run(script);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_search: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
