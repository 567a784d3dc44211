#include "core/engine/SpotSearchEngine.h"

#include "core/models/Text.h"
#include "core/models/Uuid.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <vector>

namespace mv {

QString label(SpotSearchCategory category)
{
    return displayName(category);
}

namespace SpotSearchEngine {

namespace {

constexpr int kEqualScore = 120;
constexpr int kPrefixScore = 105;
constexpr int kContainsScore = 95;
constexpr int kMaxContainsDistance = 30;
constexpr int kSubsequenceBase = 35;
constexpr int kSubsequenceStep = 6;
constexpr int kSubsequenceMax = 65;
constexpr int kFenceBonus = 15;
constexpr int kPinnedItemBonus = 10;
constexpr int kNotePenalty = 5;
constexpr int kBlankQueryFenceCount = 8;
constexpr int kBlankQueryScore = 90;
constexpr qsizetype kSnippetCharacters = 64;

// True when the code unit is a whole character whatever stands around it: no combining or
// joining mark, no half of a surrogate pair, no Hangul jamo, no prepended sign, no CR (which
// pairs with a following LF). Most text is made only of these, and for it a code unit is a
// character, so the slow grapheme segmentation is needed only where one of the others occurs.
bool isSolo(char16_t u)
{
    if (u < 0x300)
        return u != u'\r';
    if (u >= 0x3400 && u <= 0x9FFF) // CJK ideographs
        return true;
    if (QChar::isSurrogate(u))
        return false;
    if ((u >= 0x1100 && u <= 0x11FF) || (u >= 0xA960 && u <= 0xA97F) || (u >= 0xD7B0 && u <= 0xD7FF))
        return false; // conjoining Hangul jamo
    switch (u) {
    case 0x0D4E: // Malayalam dot reph, a prepended letter
    case 0x0E33: // Thai sara am and Lao am, spacing marks written as letters
    case 0x0EB3:
    case 0xFF9E: // half-width katakana sound marks extend the previous character
    case 0xFF9F:
        return false;
    default:
        break;
    }
    switch (QChar::category(char32_t(u))) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format: // joiners, prepended format signs
        return false;
    default:
        return true;
    }
}

// Character (extended grapheme cluster) boundaries of a text, found cheaply where the text is
// made of solo code units and by the full segmentation elsewhere.
class Characters final {
public:
    explicit Characters(QStringView text)
        : m_text(text)
    {
    }

    // The end of the character that starts at `from`, itself a boundary below size().
    qsizetype next(qsizetype from)
    {
        const qsizetype after = from + 1;
        if (isSolo(m_text[from].unicode())
            && (after == m_text.size() || isSolo(m_text[after].unicode())))
            return after;
        QTextBoundaryFinder& f = finder();
        f.setPosition(from);
        const qsizetype end = f.toNextBoundary();
        return end < 0 ? m_text.size() : end;
    }

    bool isBoundary(qsizetype position)
    {
        if (position <= 0 || position >= m_text.size())
            return true;
        if (isSolo(m_text[position - 1].unicode()) && isSolo(m_text[position].unicode()))
            return true;
        QTextBoundaryFinder& f = finder();
        f.setPosition(position);
        return f.isAtBoundary();
    }

private:
    QTextBoundaryFinder& finder()
    {
        if (!m_finder)
            m_finder.emplace(QTextBoundaryFinder::Grapheme, m_text.data(), m_text.size());
        return *m_finder;
    }

    QStringView m_text;
    std::optional<QTextBoundaryFinder> m_finder;
};

// Characters above Latin-1 that have no case and are left alone by NFC whatever follows them:
// CJK ideographs, kana, CJK, general and full-width punctuation, full-width Latin. Text made of
// these and Latin-1 is the bulk of what users type here, and folds without the general tables.
inline bool isCaselessStable(char16_t u)
{
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF)
        || (u >= 0x3000 && u <= 0x3029) || (u >= 0x3030 && u <= 0x303F)
        || (u >= 0x3041 && u <= 0x3096) || (u >= 0x309B && u <= 0x30FF)
        || (u >= 0x2010 && u <= 0x2027) || (u >= 0x2030 && u <= 0x205E)
        || (u >= 0xFF01 && u <= 0xFF20) || (u >= 0xFF3B && u <= 0xFF65);
}

// The lower case of a code unit of Latin-1 or of the caseless set above, or 0 for any other.
// Latin-1 has no combining marks, so it is NFC on its own, and its capitals lower-case to one
// code unit (U+00D7 is the multiplication sign).
inline char16_t simpleLower(char16_t u)
{
    if (u < 0x80)
        return (u >= u'A' && u <= u'Z') ? char16_t(u + 0x20) : u;
    if (u >= 0x4E00 && u <= 0x9FFF)
        return u;
    if (u <= 0xFF)
        return (u >= 0xC0 && u <= 0xDE && u != 0xD7) ? char16_t(u + 0x20) : u;
    if (u >= 0xFF21 && u <= 0xFF3A) // full-width capitals
        return char16_t(u + 0x20);
    return isCaselessStable(u) ? u : char16_t(0);
}

// The form in which fuzzy scores compare text: lower-cased by the locale-independent mapping,
// then NFC, so that a decomposed accent matches a precomposed one. Text that is already folded
// comes back as itself; otherwise the folded form is written into `buffer`, which one search
// reuses for every candidate so that long notes cost no allocation per keystroke.
// Folds one full block of ASCII and CJK ideographs without branches (the compiler vectorises
// it); false, with nothing written, when the block holds anything else.
inline bool foldCommonBlock(const char16_t* source, char16_t* target, unsigned& changed)
{
    constexpr int block = 32;
    unsigned other = 0;
    for (int i = 0; i < block; ++i) {
        const unsigned u = source[i];
        other |= unsigned(u >= 0x80) & unsigned(u - 0x4E00 >= 0x5200);
    }
    if (other)
        return false;
    for (int i = 0; i < block; ++i) {
        const unsigned u = source[i];
        const unsigned capital = unsigned(u - u'A' < 26);
        changed |= capital;
        target[i] = char16_t(u + (capital << 5));
    }
    return true;
}

QStringView foldInto(const QString& text, QString& buffer)
{
    constexpr qsizetype block = 32;
    const qsizetype size = text.size();
    const char16_t* source = reinterpret_cast<const char16_t*>(text.utf16());
    buffer.resize(size);
    char16_t* target = reinterpret_cast<char16_t*>(buffer.data());
    unsigned changed = 0;
    for (qsizetype start = 0; start < size; start += block) {
        const qsizetype end = std::min(size, start + block);
        if (end - start == block && foldCommonBlock(source + start, target + start, changed))
            continue;
        for (qsizetype i = start; i < end; ++i) {
            const unsigned u = source[i];
            if ((u < 0x80) | (u - 0x4E00 < 0x5200)) {
                const unsigned capital = unsigned(u - u'A' < 26);
                changed |= capital;
                target[i] = char16_t(u + (capital << 5));
                continue;
            }
            const char16_t lower = simpleLower(char16_t(u));
            if (lower == 0) {
                buffer = text::normalized(text.toLower());
                return buffer;
            }
            changed |= unsigned(lower != u);
            target[i] = lower;
        }
    }
    if (!changed)
        return text;
    return buffer;
}

QString folded(const QString& text)
{
    QString buffer;
    return foldInto(text, buffer).toString();
}

// Whether the text is in NFC, answered without normalising for simple text.
bool isNfc(const QString& text)
{
    for (const QChar c : text) {
        if (simpleLower(c.unicode()) == 0)
            return text::normalized(text) == text;
    }
    return true;
}

// A query folded once for many candidates, with its characters.
struct Needle {
    QString text;
    std::vector<QStringView> characters;

    explicit Needle(const QString& query)
        : text(folded(query))
    {
        Characters boundaries(text);
        for (qsizetype i = 0; i < text.size();) {
            const qsizetype end = boundaries.next(i);
            characters.push_back(QStringView(text).sliced(i, end - i));
            i = end;
        }
    }
};

std::optional<int> scoreFolded(const Needle& needle, QStringView candidate)
{
    const QStringView query = needle.text;
    if (query.isEmpty() || candidate.isEmpty())
        return std::nullopt;
    if (candidate == query)
        return kEqualScore;

    Characters characters(candidate);
    // The first occurrence that starts and ends on character boundaries: "e" does not occur in
    // "é" even where the accent could not be composed onto it.
    for (qsizetype from = 0;;) {
        const qsizetype at = candidate.indexOf(query, from);
        if (at < 0)
            break;
        if (characters.isBoundary(at) && characters.isBoundary(at + query.size())) {
            if (at == 0)
                return kPrefixScore;
            int distance = 0;
            for (qsizetype i = 0; i < at && distance < kMaxContainsDistance; i = characters.next(i))
                ++distance;
            return kContainsScore - distance;
        }
        from = at + 1;
    }

    // Subsequence: walking the candidate's characters against the next unmatched query
    // character is the same as finding each query character's next whole-character occurrence;
    // a run goes on while each occurrence starts where the previous one ended.
    qsizetype from = 0;
    int run = 0;
    int longestRun = 0;
    for (const QStringView character : needle.characters) {
        qsizetype at = candidate.indexOf(character, from);
        while (at >= 0
               && !(characters.isBoundary(at) && characters.isBoundary(at + character.size())))
            at = candidate.indexOf(character, at + 1);
        if (at < 0)
            return std::nullopt;
        run = at == from ? run + 1 : 1;
        longestRun = std::max(longestRun, run);
        from = at + character.size();
    }
    return std::min(kSubsequenceBase + kSubsequenceStep * std::min(longestRun, 5), kSubsequenceMax);
}

// Scores many candidates against one query, reusing one buffer for their folded forms.
class Scorer final {
public:
    explicit Scorer(const QString& query)
        : m_needle(query)
    {
    }

    std::optional<int> operator()(const QString& candidate)
    {
        if (candidate.isEmpty())
            return std::nullopt;
        return scoreFolded(m_needle, foldInto(candidate, m_buffer));
    }

private:
    Needle m_needle;
    QString m_buffer;
};

// The first `count` characters of a text, never cutting a character (or a surrogate pair).
// Segments a growing window only, not the whole of a long note.
QString leadingCharacters(const QString& text, qsizetype count)
{
    qsizetype window = std::min<qsizetype>(text.size(), count * 4);
    for (;;) {
        const QStringView view = QStringView(text).first(window);
        Characters characters(view);
        qsizetype end = 0;
        qsizetype seen = 0;
        while (end < window && seen < count) {
            end = characters.next(end);
            ++seen;
        }
        // A boundary at the window's own end may be an artefact of the cut; one before it is real.
        if (window == text.size() || (seen == count && end < window))
            return text.first(end);
        window = std::min(text.size(), window * 4);
    }
}

QStringView withoutTrailingCarriageReturn(QStringView line)
{
    return line.endsWith(u'\r') ? line.chopped(1) : line;
}

// The first non-empty line (split at line feeds) that contains the query case-insensitively,
// else the first 64 characters of the text.
QString noteSnippet(const QString& noteText, const QString& query)
{
    const QString nfcQuery = text::normalized(query);
    if (!nfcQuery.contains(u'\n')) {
        if (isNfc(noteText)) {
            // Lines cut at line feeds out of NFC text are NFC themselves, so the first line with
            // a match is the line of the first match in the whole text.
            const qsizetype at = noteText.indexOf(nfcQuery, 0, Qt::CaseInsensitive);
            if (at >= 0) {
                const qsizetype start = at == 0 ? 0 : noteText.lastIndexOf(u'\n', at - 1) + 1;
                qsizetype end = noteText.indexOf(u'\n', at);
                if (end < 0)
                    end = noteText.size();
                return withoutTrailingCarriageReturn(QStringView(noteText).sliced(start, end - start))
                    .toString();
            }
        } else {
            for (const QStringView line : QStringView(noteText).split(u'\n', Qt::SkipEmptyParts)) {
                const QString whole = withoutTrailingCarriageReturn(line).toString();
                if (text::containsCaseInsensitive(whole, query))
                    return whole;
            }
        }
    }
    return leadingCharacters(noteText, kSnippetCharacters);
}

enum class HitKind { fence, item, portalFile, task, note };

// A scored candidate, kept light until it is known to be among the returned results.
struct Hit {
    int score = 0;
    HitKind kind = HitKind::fence;
    const FenceModel* fence = nullptr;
    const FenceTab* tab = nullptr;
    const PortalFileEntry* entry = nullptr;
    qsizetype index = 0;              // of the item or task in its tab
    const QString* title = nullptr;   // null for a note until its snippet is cut
    qsizetype order = 0;              // collection order, the last tie-break
};

// Collects hits, dropping those that can no longer be returned: once `limit` hits score at
// least some s, a hit scoring below s comes after all of them whatever its title.
class HitCollector final {
public:
    explicit HitCollector(qsizetype limit)
        : m_limit(limit)
    {
        m_counts.fill(0);
    }

    void add(Hit hit)
    {
        // Scores lie between 36 and 135; the bounds only guard the table.
        const int bucket = std::clamp(hit.score, 0, int(m_counts.size()) - 1);
        if (bucket < m_floor)
            return;
        hit.order = m_nextOrder++;
        m_hits.push_back(hit);
        ++m_counts[std::size_t(bucket)];
        ++m_atOrAboveFloor;
        while (m_atOrAboveFloor - m_counts[std::size_t(m_floor)] >= m_limit)
            m_atOrAboveFloor -= m_counts[std::size_t(m_floor++)];
    }

    std::vector<Hit>& hits() { return m_hits; }

private:
    qsizetype m_limit;
    std::array<qsizetype, 256> m_counts;
    int m_floor = 0;
    qsizetype m_atOrAboveFloor = 0;
    qsizetype m_nextOrder = 0;
    std::vector<Hit> m_hits;
};

QString fenceSubtitle(const FenceModel& fence)
{
    return QStringLiteral("定位围栏 · ") + displayName(fence.primaryKind());
}

SpotSearchResult fenceResult(const FenceModel& fence, QString subtitle, int score)
{
    SpotSearchResult result;
    result.id = QStringLiteral("fence-") + uuidString(fence.id);
    result.title = fence.title;
    result.subtitle = std::move(subtitle);
    result.category = SpotSearchCategory::fence;
    result.symbolName = fence.symbolName;
    result.fenceID = fence.id;
    result.tabID = fence.activeTabID;
    result.score = score;
    return result;
}

SpotSearchResult makeResult(const Hit& hit)
{
    const FenceModel& fence = *hit.fence;
    if (hit.kind == HitKind::fence)
        return fenceResult(fence, fenceSubtitle(fence), hit.score);

    const FenceTab& tab = *hit.tab;
    SpotSearchResult result;
    result.title = *hit.title;
    result.fenceID = fence.id;
    result.tabID = tab.id;
    result.score = hit.score;
    switch (hit.kind) {
    case HitKind::fence:
        break;
    case HitKind::item: {
        const FenceItem& item = tab.items[hit.index];
        result.id = QStringLiteral("item-") + uuidString(item.id);
        result.subtitle = fence.title + QStringLiteral(" / ") + tab.title + QStringLiteral(" · ")
            + item.target;
        result.category = SpotSearchCategory::item;
        result.symbolName = item.symbolName;
        result.itemID = item.id;
        result.targetURL = item.resolvedURL();
        break;
    }
    case HitKind::portalFile: {
        const PortalFileEntry& entry = *hit.entry;
        result.id = QStringLiteral("file-") + uuidString(tab.id) + u'-' + entry.id();
        result.subtitle = fence.title + QStringLiteral(" · ") + entry.formattedSize();
        result.category = SpotSearchCategory::portalFile;
        result.symbolName = entry.symbolName;
        result.targetURL = entry.url;
        break;
    }
    case HitKind::task: {
        const FenceChecklistTask& task = tab.tasks[hit.index];
        result.id = QStringLiteral("task-") + uuidString(task.id);
        result.subtitle = fence.title + QStringLiteral(" · ")
            + (task.isCompleted ? QStringLiteral("已完成") : QStringLiteral("待办"));
        result.category = SpotSearchCategory::task;
        result.symbolName = task.isCompleted ? QStringLiteral("checkmark.circle.fill")
                                             : QStringLiteral("circle");
        result.taskID = task.id;
        break;
    }
    case HitKind::note:
        result.id = QStringLiteral("note-") + uuidString(tab.id);
        result.subtitle = fence.title + QStringLiteral(" · 便签内容");
        result.category = SpotSearchCategory::note;
        result.symbolName = QStringLiteral("note.text");
        break;
    }
    return result;
}

} // namespace

std::optional<int> fuzzyScore(const QString& query, const QString& candidate)
{
    if (query.isEmpty())
        return std::nullopt;
    return Scorer(query)(candidate);
}

std::function<bool(const QString& name)> portalFileNameMatcher(const QString& query)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return [](const QString&) { return false; };
    // The same scorer that search() applies to a portal entry's name.
    return [scorer = std::make_shared<Scorer>(trimmed)](const QString& name) { return (*scorer)(name).has_value(); };
}

QList<SpotSearchResult> search(const QString& query, const QList<FenceModel>& fences,
                               const PortalListings& portalFilesByTabID, qsizetype limit)
{
    const QString trimmed = query.trimmed();
    QList<SpotSearchResult> results;

    if (trimmed.isEmpty()) {
        const qsizetype count = std::min<qsizetype>(fences.size(), kBlankQueryFenceCount);
        results.reserve(count);
        for (qsizetype i = 0; i < count; ++i) {
            const FenceModel& fence = fences[i];
            results.append(fenceResult(fence,
                                       displayName(fence.primaryKind()) + QStringLiteral(" · ")
                                           + fence.badgeSummary(),
                                       kBlankQueryScore));
        }
        return results;
    }

    limit = std::max<qsizetype>(limit, 0);
    if (limit == 0)
        return results;

    Scorer scoreOf(trimmed);
    HitCollector collector(limit);

    for (const FenceModel& fence : fences) {
        if (const auto score = scoreOf(fence.title))
            collector.add({*score + kFenceBonus, HitKind::fence, &fence, nullptr, nullptr, 0, &fence.title});

        for (const FenceTab& tab : fence.tabs) {
            for (qsizetype i = 0; i < tab.items.size(); ++i) {
                const FenceItem& item = tab.items[i];
                std::optional<int> score = scoreOf(item.title);
                if (item.subtitle) {
                    if (const auto subtitleScore = scoreOf(*item.subtitle))
                        score = std::max(score.value_or(*subtitleScore), *subtitleScore);
                }
                if (score)
                    collector.add({*score + (item.isPinned ? kPinnedItemBonus : 0), HitKind::item,
                                   &fence, &tab, nullptr, i, &item.title});
            }

            const auto listing = portalFilesByTabID.constFind(tab.id);
            if (listing != portalFilesByTabID.cend()) {
                for (const PortalFileEntry& entry : *listing) {
                    if (const auto score = scoreOf(entry.name))
                        collector.add({*score, HitKind::portalFile, &fence, &tab, &entry, 0,
                                       &entry.displayName});
                }
            }

            for (qsizetype i = 0; i < tab.tasks.size(); ++i) {
                const FenceChecklistTask& task = tab.tasks[i];
                if (const auto score = scoreOf(task.title))
                    collector.add({*score, HitKind::task, &fence, &tab, nullptr, i, &task.title});
            }

            if (tab.kind == FenceKind::notes && !tab.noteText.isEmpty()) {
                // The snippet, the note's title, is cut later and only where it can matter.
                if (const auto score = scoreOf(tab.noteText))
                    collector.add({*score - kNotePenalty, HitKind::note, &fence, &tab});
            }
        }
    }

    std::vector<Hit>& hits = collector.hits();
    const qsizetype count = std::min<qsizetype>(limit, qsizetype(hits.size()));
    if (count == 0)
        return results;

    // A note scoring below the count-th best score cannot be returned, so its title is never
    // compared or shown; the others need their snippets now.
    std::vector<int> scores;
    scores.reserve(hits.size());
    for (const Hit& hit : hits)
        scores.push_back(hit.score);
    std::nth_element(scores.begin(), scores.begin() + (count - 1), scores.end(), std::greater<>());
    const int lowestReturnedScore = scores[std::size_t(count - 1)];
    const QString noTitle;
    std::deque<QString> snippets; // stable addresses for the hits' title pointers
    for (Hit& hit : hits) {
        if (hit.kind != HitKind::note)
            continue;
        if (hit.score >= lowestReturnedScore) {
            snippets.push_back(noteSnippet(hit.tab->noteText, trimmed));
            hit.title = &snippets.back();
        } else {
            hit.title = &noTitle;
        }
    }

    // Higher score first, then titles in name order, then collection order: with the last key
    // the order is total, so selecting the best few gives what a stable sort of all would.
    const auto before = [](const Hit& a, const Hit& b) {
        if (a.score != b.score)
            return a.score > b.score;
        const int byTitle = text::compareNames(*a.title, *b.title);
        if (byTitle != 0)
            return byTitle < 0;
        return a.order < b.order;
    };
    std::partial_sort(hits.begin(), hits.begin() + count, hits.end(), before);

    results.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        results.append(makeResult(hits[std::size_t(i)]));
    return results;
}

} // namespace SpotSearchEngine

} // namespace mv
