#pragma once

#include <QFont>

class DisplayMap;
class SoftBreaks;
class TextBox;

// When a text box mends its soft breaks (see SoftBreaks): lazily, once the events pending are
// handled, or at once before the view paints what a key changed; only where the view shows them,
// and all of them again after a change of the width or the font.
class SoftBreakMending {
public:
    SoftBreakMending(TextBox& box, SoftBreaks& soft, const DisplayMap& map);

    // Mends now if a mend is due and the view can lay out; not while the box writes the view.
    void ifDue();
    // A mend is due: now or once the events pending are handled.
    void later();

private:
    TextBox& box_;
    SoftBreaks& soft_;
    const DisplayMap& map_;
    bool due_ = false;
    bool scheduled_ = false;
    // The width and the font the soft breaks were last mended for.
    int width_ = -1;
    QFont font_;
};
