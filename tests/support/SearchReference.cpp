#include "SearchReference.h"

#include "core/files/CodePage.h"

std::optional<qsizetype> SearchReference::search(const QByteArray& bytes, qsizetype s,
                                                 SearchSettings& st) {
    return searchChars(CodePage::decode(bytes), s, st);
}

std::optional<qsizetype> SearchReference::searchChars(const QString& chars, qsizetype s,
                                                      SearchSettings& st) {
    // 1. Skip one position when the caret stands where the last search left it, unless the Find
    // command came in between or the search text differs from the last search's. 2. The base.
    qsizetype k = s == st.SearchLastStart ? 1 : 0;
    if (st.SearchIsNew || st.SearchText != st.SearchLastText) k = 0;
    const qsizetype b = s + k;
    // 3. Letter case: every character upper-cased on its own.
    QString text = chars;
    QString pattern = st.SearchText;
    if (st.SearchMatchCase == 0) {
        for (QChar& c : text) c = c.toUpper();
        for (QChar& c : pattern) c = c.toUpper();
    }
    const qsizetype n = pattern.size();
    const auto occursAt = [&](qsizetype j) {
        if (j < 0 || j + n > text.size()) return false;
        for (qsizetype i = 0; i < n; ++i) {
            if (text[j + i] != pattern[i]) return false;
        }
        return true;
    };
    // 4. Down: the lowest position from the base on. 5. Up: from one before the caret to 0,
    // whatever the skip.
    std::optional<qsizetype> found;
    if (st.SearchDirection == 1) {
        for (qsizetype j = b; j + n <= text.size(); ++j) {
            if (occursAt(j)) {
                found = j;
                break;
            }
        }
    } else {
        for (qsizetype j = s - 1; j >= 0; --j) {
            if (occursAt(j)) {
                found = j;
                break;
            }
        }
    }
    // 8, 9. The caret the search leaves, the text it looked for, and the next search is no
    // longer the first.
    st.SearchLastStart = found ? *found : s;
    st.SearchLastText = st.SearchText;
    st.SearchIsNew = false;
    return found;
}
