#include "gui/document/Document.h"

#include <QWidget>
#include <utility>

#include "gui/frame/AppState.h"
#include "gui/frame/Workspace.h"

Document::Document(Workspace& workspace, QWidget& window, TextModel& text)
    : m_workspace(workspace), m_window(window), m_text(text) {}

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
