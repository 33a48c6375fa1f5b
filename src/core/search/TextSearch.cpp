#include "core/search/TextSearch.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<char16_t> foldPattern(const QString& pattern, bool matchCase, bool reversed) {
    std::vector<char16_t> folded;
    folded.reserve(pattern.size());
    for (const QChar c : pattern) folded.push_back(matchCase ? c.unicode() : c.toUpper().unicode());
    if (reversed) std::reverse(folded.begin(), folded.end());
    return folded;
}

// For each prefix of the pattern, the length of its longest proper prefix that is also its
// suffix: after a mismatch the scan goes on from there instead of stepping back in the text.
std::vector<qsizetype> prefixTable(const std::vector<char16_t>& pat) {
    std::vector<qsizetype> fail(pat.size(), 0);
    qsizetype q = 0;
    for (size_t i = 1; i < pat.size(); ++i) {
        while (q > 0 && pat[i] != pat[size_t(q)]) q = fail[size_t(q - 1)];
        if (pat[i] == pat[size_t(q)]) ++q;
        fail[i] = q;
    }
    return fail;
}

// The simple upper-case form of every UTF-16 code unit, made once: the scan then folds each one
// by a look-up.
const std::vector<char16_t>& upperTable() {
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> t(0x10000);
        for (char32_t u = 0; u < 0x10000; ++u) t[u] = QChar(char16_t(u)).toUpper().unicode();
        return t;
    }();
    return table;
}

// A text of characters as the scan reads it: each UTF-16 code unit folded on its own.
class CharText {
public:
    CharText(const QString& chars, bool matchCase, char16_t first)
        : text_(chars), matchCase_(matchCase), first_(first), upper_(upperTable()) {}

    char16_t at(qsizetype i) const {
        const char16_t c = text_[i].unicode();
        return matchCase_ ? c : upper_[c];
    }
    qsizetype skipToStart(qsizetype i, qsizetype stop, int dir) const {
        while (i != stop && at(i) != first_) i += dir;
        return i;
    }

private:
    QStringView text_;
    bool matchCase_;
    char16_t first_;
    const std::vector<char16_t>& upper_;
};

// Scans the text from index first towards stop (exclusive), one step of dir (+1 or -1) at a
// time, for the folded pattern read in scan order. Returns the index at which the first complete
// match in scan order ends. Each position is read once.
template <typename Text>
std::optional<qsizetype> scan(const Text& text, qsizetype first, qsizetype stop, int dir,
                              const std::vector<char16_t>& pat) {
    const qsizetype n = qsizetype(pat.size());
    const std::vector<qsizetype> fail = prefixTable(pat);
    qsizetype q = 0;  // characters of the pattern matched so far
    for (qsizetype i = first; i != stop; i += dir) {
        if (q == 0) {
            i = text.skipToStart(i, stop, dir);
            if (i == stop) return std::nullopt;
            q = 1;
        } else {
            const char16_t c = text.at(i);
            while (q > 0 && c != pat[size_t(q)]) q = fail[size_t(q - 1)];
            if (c == pat[size_t(q)]) ++q;
        }
        if (q == n) return i;
    }
    return std::nullopt;
}

// The lowest position j >= from at which pattern occurs wholly within source.
template <typename Text, typename Source>
std::optional<qsizetype> findDownIn(const Source& source, const QString& pattern, qsizetype from,
                                    bool matchCase) {
    const qsizetype len = source.size();
    const qsizetype n = pattern.size();
    from = std::max<qsizetype>(from, 0);
    if (from > len - n) return std::nullopt;
    if (n == 0) return from;
    const std::vector<char16_t> pat = foldPattern(pattern, matchCase, false);
    const auto end = scan(Text(source, matchCase, pat[0]), from, len, +1, pat);
    if (!end) return std::nullopt;
    return *end - n + 1;
}

// The highest position j <= last at which pattern occurs (its start bounded, not its end).
template <typename Text, typename Source>
std::optional<qsizetype> findUpIn(const Source& source, const QString& pattern, qsizetype last,
                                  bool matchCase) {
    const qsizetype n = pattern.size();
    last = std::min(last, source.size() - n);
    if (last < 0) return std::nullopt;
    if (n == 0) return last;
    // The reversed pattern, scanned from the end of the highest allowed occurrence towards the
    // start: the first match completes at the start of the highest occurrence.
    const std::vector<char16_t> pat = foldPattern(pattern, matchCase, true);
    return scan(Text(source, matchCase, pat[0]), last + n - 1, -1, -1, pat);
}

}  // namespace

namespace {

// One search from the caret selStart, as the Find dialog and Find Next run it.
std::optional<qsizetype> runSearch(const QString& text, qsizetype selStart,
                                   SearchSettings& settings) {
    // A search that starts where the last one left the caret moves one position on, so that it
    // does not find the same occurrence again. The first search after the Find command does not,
    // nor does a search for another text than the last one: nothing of it has been found yet.
    qsizetype skip = selStart == settings.SearchLastStart ? 1 : 0;
    if (settings.SearchIsNew || settings.SearchText != settings.SearchLastText) skip = 0;
    const bool matchCase = settings.SearchMatchCase != 0;

    // Looking up, the nearest start tried is the one just before the caret, fresh or repeated:
    // a repetition leaves the caret at the start of the occurrence it found, so that one is
    // passed over by itself.
    const std::optional<qsizetype> found =
        settings.SearchDirection == 1
            ? TextSearch::findDownChars(text, settings.SearchText, selStart + skip, matchCase)
            : TextSearch::findUpChars(text, settings.SearchText, selStart - 1, matchCase);

    settings.SearchLastStart = found.value_or(selStart);
    settings.SearchLastText = settings.SearchText;
    settings.SearchIsNew = false;
    return found;
}

}  // namespace

std::optional<qsizetype> TextSearch::searchChars(const QString& chars, qsizetype selStart,
                                                 SearchSettings& settings) {
    return runSearch(chars, selStart, settings);
}

std::optional<qsizetype> TextSearch::findDownChars(const QString& chars, const QString& pattern,
                                                   qsizetype from, bool matchCase) {
    return findDownIn<CharText>(chars, pattern, from, matchCase);
}

std::optional<qsizetype> TextSearch::findUpChars(const QString& chars, const QString& pattern,
                                                 qsizetype last, bool matchCase) {
    return findUpIn<CharText>(chars, pattern, last, matchCase);
}
