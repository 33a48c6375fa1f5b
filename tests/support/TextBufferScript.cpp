#include "TextBufferScript.h"

#include <memory>

#include "TextReference.h"
#include "TextScript.h"
#include "core/text/TextBuffer.h"

namespace {

QString state(const QByteArray& text, qsizetype start, qsizetype length) {
    return QStringLiteral("%1 SelStart %2 SelLength %3")
        .arg(TextScript::shown(text))
        .arg(start)
        .arg(length);
}

class BufferSubject : public TextScript::Subject {
public:
    BufferSubject(bool lf, bool utf8) : lf(lf), utf8(utf8) {
        model.setFormat(DocumentFormat(
            lf ? DocumentFormat::LineBreak::Lf : DocumentFormat::LineBreak::CrLf,
            utf8 ? DocumentFormat::Encoding::Utf8 : DocumentFormat::Encoding::CodePage));
    }

    void prepare(TextReference& ref) override {
        ref.lf = lf;
        ref.utf8 = utf8;
    }

    bool apply(TextScript::Step& step) override {
        using Op = TextScript::Op;
        if (step.op == Op::SetText || step.op == Op::LongLine) return model.setText(step.text);
        if (step.op == Op::SelText) return model.setSelText(step.text);
        if (step.op == Op::Type) return model.type(step.text);
        if (step.op == Op::Enter) return model.enter();
        if (step.op == Op::Backspace) return model.backspace();
        if (step.op == Op::Delete) return model.deleteForward();
        if (step.op == Op::SelStart || step.op == Op::FarSelStart) model.setSelStart(step.number);
        if (step.op == Op::SelLength) model.setSelLength(step.number);
        return false;
    }

    QString mismatch(const TextReference& ref, bool changed, bool refChanged) override {
        if (model.text() != ref.bytes() || model.selStart() != ref.start ||
            model.selLength() != ref.length)
            return QStringLiteral("model %1, reference %2")
                .arg(state(model.text(), model.selStart(), model.selLength()),
                     state(ref.bytes(), ref.start, ref.length));
        if (const QByteArray saved = model.text() + model.format().lineEndAfter(model.text());
            saved != ref.saved())
            return QStringLiteral("a save writes %1, reference %2")
                .arg(TextScript::shown(saved), TextScript::shown(ref.saved()));
        if (model.selText() != ref.selText())
            return QStringLiteral("SelText %1, reference %2")
                .arg(TextScript::shown(model.selText()), TextScript::shown(ref.selText()));
        if (model.viewSelStart() != ref.viewStart() || model.viewSelEnd() != ref.viewEnd())
            return QStringLiteral("selection shown %1..%2, reference %3..%4")
                .arg(model.viewSelStart())
                .arg(model.viewSelEnd())
                .arg(ref.viewStart())
                .arg(ref.viewEnd());
        if (changed != refChanged)
            return QStringLiteral("model says the text %1, reference says it %2")
                .arg(changed ? "changed" : "did not change",
                     refChanged ? "changed" : "did not change");
        return QString();
    }

private:
    const bool lf;
    const bool utf8;
    TextBuffer model;
};

}  // namespace

QString TextBufferScript::run(const QByteArray& script) {
    // Every script runs in each of the four kinds of document.
    for (const bool utf8 : {false, true}) {
        for (const bool lf : {false, true}) {
            const QString problem = TextScript::run(script, 8, TextScript::Typing::Bytes, [=] {
                return std::make_unique<BufferSubject>(lf, utf8);
            });
            if (problem.isEmpty()) continue;
            return QStringLiteral("%1 in %2: ")
                       .arg(lf ? "LF" : "CR LF", utf8 ? "UTF-8" : "the code page") +
                   problem;
        }
    }
    return QString();
}
