#include "ScriptedDialogs.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

QString answerName(DialogService::Answer answer) {
    switch (answer) {
        case DialogService::Answer::Ok:
            return QStringLiteral("Ok");
        case DialogService::Answer::Yes:
            return QStringLiteral("Yes");
        case DialogService::Answer::No:
            return QStringLiteral("No");
        case DialogService::Answer::Cancel:
            return QStringLiteral("Cancel");
    }
    return QString();
}

QString kindName(ScriptedDialogs::Kind kind) {
    switch (kind) {
        case ScriptedDialogs::Kind::MessageBox:
            return QStringLiteral("message box");
        case ScriptedDialogs::Kind::Open:
            return QStringLiteral("open dialog");
        case ScriptedDialogs::Kind::Save:
            return QStringLiteral("save dialog");
    }
    return QString();
}

bool fits(DialogService::Answer answer, DialogService::Buttons buttons) {
    if (buttons == DialogService::Buttons::Ok) return answer == DialogService::Answer::Ok;
    if (buttons == DialogService::Buttons::YesNo ||
        buttons == DialogService::Buttons::YesNoDefaultYes)
        return answer == DialogService::Answer::Yes || answer == DialogService::Answer::No;
    return answer != DialogService::Answer::Ok;
}

bool busyPointerShowing() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

}  // namespace

void ScriptedDialogs::answerMessageBox(Answer answer) { messageAnswers_.enqueue(answer); }

void ScriptedDialogs::duringNextMessageBox(std::function<void()> action) {
    duringNextBox_ = std::move(action);
}

void ScriptedDialogs::answerOpen(const QString& path) { openAnswers_.enqueue(path); }

void ScriptedDialogs::cancelOpen() { openAnswers_.enqueue(std::nullopt); }

void ScriptedDialogs::answerSave(const QString& path) { saveAnswers_.enqueue(path); }

void ScriptedDialogs::cancelSave() { saveAnswers_.enqueue(std::nullopt); }

DialogService::Answer ScriptedDialogs::messageBox(QWidget* parent, const QString& prompt,
                                                  Buttons buttons, Icon icon,
                                                  const QString& title) {
    Call call;
    call.kind = Kind::MessageBox;
    call.parent = parent;
    call.prompt = prompt;
    call.buttons = buttons;
    call.icon = icon;
    call.title = title;
    call.busyPointer = busyPointerShowing();
    if (duringNextBox_) std::exchange(duringNextBox_, nullptr)();

    Answer answer = Answer::Cancel;
    if (messageAnswers_.isEmpty()) {
        call.expected = false;
        problems_
            << QStringLiteral("unexpected message box \"%1\" (title \"%2\")").arg(prompt, title);
    } else {
        answer = messageAnswers_.dequeue();
        if (!fits(answer, buttons)) {
            call.expected = false;
            problems_ << QStringLiteral("scripted answer %1 does not fit message box \"%2\"")
                             .arg(answerName(answer), prompt);
            answer = Answer::Cancel;
        }
    }
    call.answerText = answerName(answer);
    calls_.append(call);
    return answer;
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget* parent, const QString& fileName) {
    return fileDialog(Kind::Open, parent, fileName, openAnswers_);
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget* parent, const QString& fileName) {
    return fileDialog(Kind::Save, parent, fileName, saveAnswers_);
}

std::optional<QString> ScriptedDialogs::fileDialog(Kind kind, QWidget* parent,
                                                   const QString& fileName,
                                                   QQueue<std::optional<QString>>& script) {
    Call call;
    call.kind = kind;
    call.parent = parent;
    call.fileName = fileName;
    call.busyPointer = busyPointerShowing();

    std::optional<QString> answer;
    if (script.isEmpty()) {
        call.expected = false;
        problems_ << QStringLiteral("unexpected %1 (name \"%2\")").arg(kindName(kind), fileName);
    } else {
        answer = script.dequeue();
    }
    call.answerText = answer ? *answer : QStringLiteral("(cancelled)");
    calls_.append(call);
    return answer;
}

QList<ScriptedDialogs::Call> ScriptedDialogs::callsOf(Kind kind) const {
    QList<Call> result;
    for (const Call& call : calls_) {
        if (call.kind == kind) result.append(call);
    }
    return result;
}

bool ScriptedDialogs::allAnswersUsed() const {
    return messageAnswers_.isEmpty() && openAnswers_.isEmpty() && saveAnswers_.isEmpty();
}

QString ScriptedDialogs::problems() const {
    QStringList all = problems_;
    if (!messageAnswers_.isEmpty())
        all << QStringLiteral("%1 message box answer(s) not used").arg(messageAnswers_.size());
    if (!openAnswers_.isEmpty())
        all << QStringLiteral("%1 open dialog answer(s) not used").arg(openAnswers_.size());
    if (!saveAnswers_.isEmpty())
        all << QStringLiteral("%1 save dialog answer(s) not used").arg(saveAnswers_.size());
    return all.join(QStringLiteral("; "));
}

void ScriptedDialogs::clear() {
    messageAnswers_.clear();
    duringNextBox_ = nullptr;
    openAnswers_.clear();
    saveAnswers_.clear();
    calls_.clear();
    problems_.clear();
}
