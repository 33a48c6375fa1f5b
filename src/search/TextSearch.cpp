#include "search/TextSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "files/CodePage.h"

namespace {

// What each byte of the text is compared as: its character, or that character's simple
// upper-case form when letter case does not matter.
using FoldTable = std::array<char16_t, 256>;

FoldTable foldTable(bool matchCase) {
    FoldTable fold{};
    for (int b = 0; b < 256; ++b) {
        fold[b] = matchCase ? CodePage::toUnicode(uchar(b)).unicode() : CodePage::upper(uchar(b));
    }
    return fold;
}

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

// Scans the text from index first towards stop (exclusive), one step of dir (+1 or -1) at a
// time, for the folded pattern read in scan order. Returns the index at which the first complete
// match in scan order ends. Each byte is read once.
std::optional<qsizetype> scan(const QByteArray& bytes, qsizetype first, qsizetype stop, int dir,
                              const FoldTable& fold, const std::vector<char16_t>& pat) {
    const auto* text = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = qsizetype(pat.size());

    // The bytes that can start a match, to skip over everything else quickly.
    std::array<bool, 256> starts{};
    int startCount = 0;
    uchar onlyStart = 0;
    for (int b = 0; b < 256; ++b) {
        if (fold[b] == pat[0]) {
            starts[b] = true;
            ++startCount;
            onlyStart = uchar(b);
        }
    }
    if (startCount == 0) return std::nullopt;

    const std::vector<qsizetype> fail = prefixTable(pat);
    qsizetype q = 0;  // characters of the pattern matched so far
    for (qsizetype i = first; i != stop; i += dir) {
        if (q == 0) {
            if (dir > 0 && startCount == 1) {
                const void* hit = std::memchr(text + i, onlyStart, size_t(stop - i));
                if (!hit) return std::nullopt;
                i = static_cast<const uchar*>(hit) - text;
            } else {
                while (i != stop && !starts[text[i]]) i += dir;
                if (i == stop) return std::nullopt;
            }
            q = 1;
        } else {
            const char16_t c = fold[text[i]];
            while (q > 0 && c != pat[size_t(q)]) q = fail[size_t(q - 1)];
            if (c == pat[size_t(q)]) ++q;
        }
        if (q == n) return i;
    }
    return std::nullopt;
}

// The simple upper-case form of every UTF-16 code unit, made once: the scan over characters
// then folds each one by a look-up, as fast as the scan over bytes.
const std::vector<char16_t>& upperTable() {
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> t(0x10000);
        for (char32_t u = 0; u < 0x10000; ++u) t[u] = QChar(char16_t(u)).toUpper().unicode();
        return t;
    }();
    return table;
}

// The same scan over characters, each folded on its own.
std::optional<qsizetype> scanChars(QStringView text, qsizetype first, qsizetype stop, int dir,
                                   bool matchCase, const std::vector<char16_t>& pat) {
    const qsizetype n = qsizetype(pat.size());
    const std::vector<char16_t>& upper = upperTable();
    const auto fold = [&](qsizetype i) {
        const char16_t c = text[i].unicode();
        return matchCase ? c : upper[c];
    };
    const std::vector<qsizetype> fail = prefixTable(pat);
    qsizetype q = 0;  // characters of the pattern matched so far
    for (qsizetype i = first; i != stop; i += dir) {
        if (q == 0) {
            while (i != stop && fold(i) != pat[0]) i += dir;
            if (i == stop) return std::nullopt;
            q = 1;
        } else {
            const char16_t c = fold(i);
            while (q > 0 && c != pat[size_t(q)]) q = fail[size_t(q - 1)];
            if (c == pat[size_t(q)]) ++q;
        }
        if (q == n) return i;
    }
    return std::nullopt;
}

}  // namespace

namespace {

// One search over a text of either kind: the rules do not depend on what a position holds.
template <typename Text>
using Finder = std::optional<qsizetype> (*)(const Text&, const QString&, qsizetype, bool);

template <typename Text>
std::optional<qsizetype> runSearch(const Text& text, qsizetype selStart, SearchSettings& settings,
                                   Finder<Text> findDown, Finder<Text> findUp) {
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
            ? findDown(text, settings.SearchText, selStart + skip, matchCase)
            : findUp(text, settings.SearchText, selStart - 1, matchCase);

    settings.SearchLastStart = found.value_or(selStart);
    settings.SearchLastText = settings.SearchText;
    settings.SearchIsNew = false;
    return found;
}

}  // namespace

std::optional<qsizetype> TextSearch::search(const QByteArray& text, qsizetype selStart,
                                            SearchSettings& settings) {
    return runSearch<QByteArray>(text, selStart, settings, &TextSearch::findDown,
                                 &TextSearch::findUp);
}

std::optional<qsizetype> TextSearch::searchChars(const QString& chars, qsizetype selStart,
                                                 SearchSettings& settings) {
    return runSearch<QString>(chars, selStart, settings, &TextSearch::findDownChars,
                              &TextSearch::findUpChars);
}

std::optional<qsizetype> TextSearch::findDown(const QByteArray& text, const QString& pattern,
                                              qsizetype from, bool matchCase) {
    const qsizetype len = text.size();
    const qsizetype n = pattern.size();
    from = std::max<qsizetype>(from, 0);
    if (from > len - n) return std::nullopt;
    if (n == 0) return from;
    const auto end =
        scan(text, from, len, +1, foldTable(matchCase), foldPattern(pattern, matchCase, false));
    if (!end) return std::nullopt;
    return *end - n + 1;
}

std::optional<qsizetype> TextSearch::findUp(const QByteArray& text, const QString& pattern,
                                            qsizetype last, bool matchCase) {
    const qsizetype len = text.size();
    const qsizetype n = pattern.size();
    last = std::min(last, len - n);
    if (last < 0) return std::nullopt;
    if (n == 0) return last;
    // The reversed pattern, scanned from the end of the highest allowed occurrence towards the
    // start: the first match completes at the start of the highest occurrence.
    return scan(text, last + n - 1, -1, -1, foldTable(matchCase),
                foldPattern(pattern, matchCase, true));
}

std::optional<qsizetype> TextSearch::findDownChars(const QString& chars, const QString& pattern,
                                                   qsizetype from, bool matchCase) {
    const qsizetype len = chars.size();
    const qsizetype n = pattern.size();
    from = std::max<qsizetype>(from, 0);
    if (from > len - n) return std::nullopt;
    if (n == 0) return from;
    const auto end =
        scanChars(chars, from, len, +1, matchCase, foldPattern(pattern, matchCase, false));
    if (!end) return std::nullopt;
    return *end - n + 1;
}

std::optional<qsizetype> TextSearch::findUpChars(const QString& chars, const QString& pattern,
                                                 qsizetype last, bool matchCase) {
    const qsizetype len = chars.size();
    const qsizetype n = pattern.size();
    last = std::min(last, len - n);
    if (last < 0) return std::nullopt;
    if (n == 0) return last;
    if (matchCase) {
        const qsizetype at = QStringView(chars).lastIndexOf(pattern, last);
        return at < 0 ? std::nullopt : std::optional<qsizetype>(at);
    }
    return scanChars(chars, last + n - 1, -1, -1, matchCase, foldPattern(pattern, matchCase, true));
}
