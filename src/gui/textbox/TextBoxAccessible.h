#pragma once

#include <QAccessibleWidget>
#include <QFont>
#include <QStringView>
#include <utility>
#include <vector>

#include "core/files/DocumentFormat.h"

class QPlainTextEdit;
class QTextBlock;
class TextBox;

// What a screen reader learns of a text box: an editable, multi-line text that is the document's
// text as the box reads it out (TextBox::readLength and the functions beside it), never the view
// the widget holds. Offsets, caret, selection and the units of text (character, word, sentence,
// row, line) are all counted in it; edits go to the box's model as one change each; and the
// text-changed events the box sends through textChanged are the only ones, so scrolling, a resize
// or a soft break moved in the view tell a screen reader nothing.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit TextBoxAccessible(TextBox* box);

    void* interface_cast(QAccessible::InterfaceType t) override;
    QAccessible::State state() const override;
    using QAccessibleWidget::text;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

    // Hands out the interface of every text box; installed with QAccessible::installFactory.
    // Returns null for every other object.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    // Tells screen readers that in box's text as read, removed at offset became inserted (the
    // part both share at either end is left out).
    static void textChanged(TextBox* box, qsizetype offset, QStringView removed,
                            QStringView inserted);
    // Stops the widget from telling screen readers of the changes of its document: they are the
    // view's, soft breaks and pictures included. Needed again each time the widget takes a whole
    // new text, which sets its reports up anew.
    static void quietWidget(QPlainTextEdit* widget);

private:
    TextBox* box() const;
    // The unit of text of the given kind that holds offset, as offsets [first, second).
    std::pair<int, int> unitAt(int offset, QAccessible::TextBoundaryType boundaryType) const;
    // The row (a line as the screen shows it) that holds offset.
    std::pair<int, int> rowAt(int offset) const;
    // The same in a line the view shows as several paragraphs (block holds offset; its first
    // character is read at blockStart; rows are width wide): the rows of the line wrapped as one
    // paragraph from a place where a row starts, the shown rows where the view shows them.
    std::pair<int, int> longLineRowAt(int offset, const QTextBlock& block, int blockStart,
                                      qreal width) const;
    // The word or sentence that holds offset, looked for within the line and at most kReach
    // characters either side.
    std::pair<int, int> segmentAt(int offset, QAccessible::TextBoundaryType boundaryType) const;
    QString unitText(std::pair<int, int> unit, int* startOffset, int* endOffset) const;
    void edit(int startOffset, int endOffset, const QString& text);

    // The rows of a long line last laid out: from offset anchor on, its text, the starts of its
    // rows in it, whether it reaches the end of the line, and the width and font laid out with.
    struct Rows {
        int anchor = -1;
        QString text;
        std::vector<qsizetype> starts;
        bool toLineEnd = false;
        qreal width = 0;
        QFont font;
    };
    mutable Rows rows_;
};
