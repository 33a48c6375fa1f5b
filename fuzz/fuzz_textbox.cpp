// The real text box, driven by key events and its properties, and the plain reference agree
// after every operation, and the widget shows what the model holds.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "TextBoxScript.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application lives as long as the process, found through qApp; it gets an argument
    // list of its own so that it takes nothing away from libFuzzer's.
    auto* argc = new int(1);
    auto** argv = new char* [2] { qstrdup("fuzz_textbox"), nullptr };
    new QApplication(*argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray script(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = TextBoxScript::run(script);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_textbox: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
