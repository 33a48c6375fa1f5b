#include "gui/document/Document.h"

#include <QWidget>
#include <utility>

#include "core/text/TextModel.h"
#include "gui/frame/AppState.h"
#include "gui/frame/Workspace.h"

Document::Document(Workspace& workspace, QWidget& window, TextModel& text)
    : m_workspace(workspace), m_window(window), m_text(text) {
    connect(&m_text, &TextModel::Change, this, &Document::Change);
}

QByteArray Document::Text() const { return m_text.Text(); }
const QString& Document::chars() const { return m_text.chars(); }
qsizetype Document::TextLength() const { return m_text.TextLength(); }
void Document::setText(const QByteArray& text) { m_text.setText(text); }
void Document::setChars(const QString& chars) { m_text.setChars(chars); }
void Document::load(const QByteArray& fileBytes) { m_text.load(fileBytes); }
const DocumentFormat& Document::format() const { return m_text.format(); }
void Document::setFormat(const DocumentFormat& format) { m_text.setFormat(format); }

qsizetype Document::SelStart() const { return m_text.SelStart(); }
void Document::setSelStart(qsizetype pos) { m_text.setSelStart(pos); }
qsizetype Document::SelLength() const { return m_text.SelLength(); }
void Document::setSelLength(qsizetype len) { m_text.setSelLength(len); }
QString Document::SelChars() const { return m_text.SelChars(); }
void Document::setSelText(const QByteArray& text) { m_text.setSelText(text); }
void Document::setSelChars(const QString& text) { m_text.setSelChars(text); }

const TextBuffer::Change& Document::lastChange() const { return m_text.buffer().lastChange(); }
bool Document::isUndoAvailable() const { return m_text.isUndoAvailable(); }
bool Document::isRedoAvailable() const { return m_text.isRedoAvailable(); }

void Document::setFilePath(const QString& path) {
    const QString previous = std::exchange(m_filePath, path);
    if (previous == path) return;
    noticedOnDisk = DiskStamp();
    emit filePathChanged(previous, path);
}

void Document::close() {
    m_closed = true;
    if (!m_filePath.isEmpty()) emit filePathChanged(m_filePath, QString());
}

DocumentState& Document::state() const { return m_workspace.state().slotTables.state(m_slot); }

bool Document::isChanged() const { return state().Changed != DocumentState::False; }

void Document::setChanged(bool changed) {
    state().Changed = changed ? DocumentState::True : DocumentState::False;
}

QString Document::caption() const { return m_window.windowTitle(); }
