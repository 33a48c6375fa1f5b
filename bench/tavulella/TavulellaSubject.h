#pragma once

#include <functional>
#include <memory>

#include "BenchSubject.h"

class DialogService;
class frmMDI;
class frmNotePad;

// Tavulella, started as the program starts it and driven through its own commands.
class TavulellaSubject : public BenchSubject {
public:
    // expectMessage is called before a command that will show a message box (a search that
    // finds nothing), so that a scripted dialog service can prepare its answer.
    explicit TavulellaSubject(std::unique_ptr<DialogService> dialogs,
                              std::function<void()> expectMessage = {});
    ~TavulellaSubject() override;

    void start() override;
    QMainWindow* frame() override;
    QPlainTextEdit* editor() override;
    // Without the soft breaks of a long line.
    int shownLength() override;
    int lineCount() override;
    void open(const QString& path) override;
    bool findNext(const QString& text, bool matchCase) override;
    void save(const QString& path) override;
    void newWindow() override;
    void newWindowFromMenu() override;
    // Opening a file always makes a window of its own.
    void openInNewWindow(const QString& path) override { open(path); }
    void openFontMenu() override;
    void closeFontMenu() override;
    void tile() override;
    void cascade() override;
    void closeActiveWindow() override;
    int windowCount() override;

private:
    frmNotePad* active();

    std::unique_ptr<DialogService> m_dialogs;
    std::function<void()> m_expectMessage;
    std::unique_ptr<frmMDI> m_frame;
};
