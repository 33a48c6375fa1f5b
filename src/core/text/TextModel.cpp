#include "core/text/TextModel.h"

#include <algorithm>

TextModel::TextModel(QObject* parent) : QObject(parent) {}

void TextModel::setText(const QByteArray& text) { setChars(buf_.format().decode(text)); }

void TextModel::setChars(const QString& chars) {
    history_.clear();
    const bool changed = buf_.setChars(chars);
    if (changed) emit reset();
    moved();
    if (changed) emit Change();
}

void TextModel::load(const QByteArray& fileBytes) {
    const DocumentFormat format =
        DocumentFormat::detect(fileBytes, DocumentFormat::sessionIsUtf8());
    setFormat(format);
    setChars(format.decode(fileBytes));
}

void TextModel::setFormat(const DocumentFormat& format) {
    if (format == buf_.format()) return;
    buf_.setFormat(format);
    // The same characters may break into lines differently now.
    emit reset();
    moved();
}

void TextModel::setSelStart(qsizetype pos) {
    buf_.setSelStart(pos);
    moved();
}

void TextModel::setSelLength(qsizetype len) {
    buf_.setSelLength(len);
    moved();
}

void TextModel::setSelText(const QByteArray& text) { setSelChars(buf_.format().decode(text)); }

void TextModel::setSelChars(const QString& text) {
    const qsizetype start = buf_.selStart();
    putText(start, start + buf_.selLength(), text, EditHistory::Input::Other);
}

void TextModel::putText(qsizetype start, qsizetype end, const QString& text,
                        EditHistory::Input input) {
    edit(input, [&](TextBuffer& buf) {
        const bool changed = buf.replace(start, end - start, text);
        buf.setSelStart(start + text.size());
        return changed;
    });
}

void TextModel::recordEdit(const TextBuffer::Change& change, const EditHistory::Selection& before,
                           EditHistory::Input input) {
    // A line break that Backspace or Delete removes is a step of its own, as one that Enter
    // puts in.
    if (input != EditHistory::Input::Typing &&
        change.removed.contains(buf_.format().lineBreakChars()))
        input = EditHistory::Input::Other;
    history_.record(change.pos, change.removed, change.inserted, before,
                    {buf_.selStart(), buf_.selLength()}, input);
}

void TextModel::applyStep(qsizetype pos, qsizetype len, const QString& text,
                          const EditHistory::Selection& sel) {
    if (buf_.replace(pos, len, text)) emit edited(buf_.lastChange());
    buf_.select(sel.start, sel.start + sel.length);
    moved();
    emit Change();
}

bool TextModel::undo() {
    const EditHistory::Step* step = history_.undo();
    if (step) applyStep(step->pos, step->inserted.size(), step->removed, step->before);
    return step;
}

bool TextModel::redo() {
    const EditHistory::Step* step = history_.redo();
    if (step) applyStep(step->pos, step->removed.size(), step->inserted, step->after);
    return step;
}

void TextModel::replaceFromOutside(qsizetype start, qsizetype end, const QString& text) {
    start = std::clamp<qsizetype>(start, 0, buf_.length());
    end = std::clamp<qsizetype>(end, start, buf_.length());
    const QString put = buf_.format().fromForeign(text);
    const auto kept = [&](qsizetype p) {
        return p < start ? p : p <= end ? start + put.size() : p + put.size() - (end - start);
    };
    // The selection as shown, which is what the screen reader knows of.
    const qsizetype anchor = kept(buf_.viewSelStart());
    const qsizetype position = kept(buf_.viewSelEnd());
    edit(EditHistory::Input::Other, [&](TextBuffer& buf) {
        const bool changed = buf.replace(start, end - start, put);
        buf.select(anchor, position);
        // A caret is never left between the CR and the LF that the edit brought together.
        if (buf.selLength() == 0 && buf.insideShownCharacter(buf.selStart()))
            buf.setSelStart(buf.selStart() + 1);
        return changed;
    });
}
