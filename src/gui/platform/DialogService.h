#pragma once

#include <QString>
#include <optional>

class QWidget;

// The modal questions, message boxes and file dialogs the program shows. Forms talk to this
// interface only, so that tests can script the answers; QtDialogService shows the real boxes.
class DialogService {
public:
    enum class Buttons { Ok, YesNoCancel, YesNo, YesNoDefaultYes };
    enum class Icon { None, Exclamation, Information, Critical, Question };
    enum class Answer { Ok, Yes, No, Cancel };

    // The title of the program's own message boxes (the save question shows the caption).
    static inline const QString MessageTitle = QStringLiteral("MDI");

    virtual ~DialogService() = default;

    // A modal message box; returns the button pressed (closing the box counts as Cancel for
    // Yes/No/Cancel, as No for both Yes/No sets and as Ok for an OK box). For Yes/No/Cancel the
    // default button is Yes; for Yes/No it is No, because Yes loses something (another program's
    // change); YesNoDefaultYes is the Yes/No question whose No loses something, with Yes as
    // default.
    virtual Answer messageBox(QWidget* parent, const QString& prompt, Buttons buttons, Icon icon,
                              const QString& title) = 0;
    // A message box the program opens by itself, not in answer to a command: the user may be
    // typing as it comes up, and the keys typed in that moment go to the widget they were
    // meant for, never to the box.
    virtual Answer unbiddenMessageBox(QWidget* parent, const QString& prompt, Buttons buttons,
                                      Icon icon, const QString& title) {
        return messageBox(parent, prompt, buttons, icon, title);
    }

    // The file-open dialog with the name box set to fileName; the chosen full path, or nothing
    // when the user cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& fileName) = 0;

    // The file-save dialog with the name box set to fileName (which may be a full path); the
    // chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& fileName) = 0;
};
