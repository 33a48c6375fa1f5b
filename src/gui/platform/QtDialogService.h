#pragma once

#include <QString>

#include "gui/platform/DialogService.h"

// The real message boxes and file dialogs. The file dialogs are Qt's own (not the desktop's),
// so that they look and behave the same everywhere, list their filters exactly as captioned,
// and can be driven by tests. They take a name exactly as typed or chosen when a file of that
// name exists; openedName and savedName give their rules for other names. The folder the next file
// dialog starts in is the folder of the file last chosen in one of them, the user's home at first.
class QtDialogService : public DialogService {
public:
    QtDialogService();

    Answer messageBox(QWidget* parent, const QString& prompt, Buttons buttons, Icon icon,
                      const QString& title) override;
    Answer unbiddenMessageBox(QWidget* parent, const QString& prompt, Buttons buttons, Icon icon,
                              const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& fileName) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& fileName) override;

    // The prompt as a message box shows it. Prompts may break their lines with LF CR, which the
    // box would show as a line break followed by an empty line; each such pair becomes one
    // line break on screen, while the prompt the caller built stays as it is.
    static QString displayedPrompt(const QString& prompt);

    // The file that a name chosen in the open dialog opens: the name as given when it exists;
    // else the name with ".txt" added when that is an existing file; else the name as given.
    static QString openedName(const QString& path);
    // The file that a name chosen in the save dialog writes: the name as given when it exists
    // or holds a dot anywhere (an extension, a name ending in a dot, a hidden file's name); else,
    // a new name without an extension, the name with ".txt" added.
    static QString savedName(const QString& path);

private:
    enum class Purpose { Open, Save };
    Answer showMessageBox(QWidget* parent, const QString& prompt, Buttons buttons, Icon icon,
                          const QString& title, bool unbidden);
    std::optional<QString> chooseFile(QWidget* parent, const QString& fileName, Purpose purpose);

    QString lastFolder_;
};
