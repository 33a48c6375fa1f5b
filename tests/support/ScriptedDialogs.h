#pragma once

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "gui/platform/DialogService.h"

// A DialogService for tests: every dialog is answered from a script instead of being shown,
// and every call is recorded. A dialog that comes when no answer of its kind is scripted, or
// whose scripted answer does not fit it (Yes for an OK box), is an unexpected dialog: it is
// recorded, answered with Cancel (or a cancelled file dialog), and reported by
// unexpectedDialog(), so that a test can fail loudly, for example with
//     QVERIFY2(!dialogs.unexpectedDialog(), qPrintable(dialogs.problems()));
class ScriptedDialogs : public DialogService {
public:
    enum class Kind { MessageBox, Open, Save };

    struct Call {
        Kind kind = Kind::MessageBox;
        QPointer<QWidget> parent;
        QString prompt;  // message boxes: the prompt exactly as passed
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString title;
        QString fileName;          // file dialogs: the name given for the name box
        bool busyPointer = false;  // the busy pointer was showing when the dialog came
        bool expected = true;      // an answer was scripted for it and fitted it
        QString answerText;        // what the script answered, for messages
    };

    // Script the next answer of each kind; answers of one kind are used in the order given.
    void answerMessageBox(Answer answer);
    // Runs action while the next message box is open, before it is answered: what another
    // program does while the user reads a question.
    void duringNextMessageBox(std::function<void()> action);
    void answerOpen(const QString& path);
    void cancelOpen();
    void answerSave(const QString& path);
    void cancelSave();

    Answer messageBox(QWidget* parent, const QString& prompt, Buttons buttons, Icon icon,
                      const QString& title) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& fileName) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& fileName) override;

    const QList<Call>& calls() const { return calls_; }
    QList<Call> callsOf(Kind kind) const;
    const Call& lastCall() const { return calls_.last(); }

    // True when any dialog came unscripted or did not fit its scripted answer.
    bool unexpectedDialog() const { return !problems_.isEmpty(); }
    // True when every scripted answer was used.
    bool allAnswersUsed() const;
    // A readable account of what went wrong: unexpected dialogs and unused answers.
    QString problems() const;

    // Forgets the script and the record.
    void clear();

private:
    std::optional<QString> fileDialog(Kind kind, QWidget* parent, const QString& fileName,
                                      QQueue<std::optional<QString>>& script);

    QQueue<Answer> messageAnswers_;
    std::function<void()> duringNextBox_;
    QQueue<std::optional<QString>> openAnswers_;
    QQueue<std::optional<QString>> saveAnswers_;
    QList<Call> calls_;
    QStringList problems_;
};
