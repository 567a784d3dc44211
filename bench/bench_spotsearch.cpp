// One SpotSearch keystroke over a large workspace: 10,000 quick-launch items, 10,000 portal
// files and 50 notes of 50,000 characters, beside a plain lower-case substring loop over the
// same strings. Target: a keystroke under 10 ms.

#include "core/engine/SpotSearchEngine.h"

#include "core/models/Uuid.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace mv;

namespace {

const QStringList& words()
{
    static const QStringList list = [] {
        QStringList w;
        for (const char* s : {"report", "budget", "invoice", "plan", "draft", "meeting", "notes",
                              "photo", "summary", "final", "review", "project", "design", "Q3",
                              "季度", "报告", "会议", "预算", "照片", "合同", "计划", "客户", "总结"})
            w.append(QString::fromUtf8(s));
        return w;
    }();
    return list;
}

QString phrase(std::mt19937& random, int count)
{
    std::uniform_int_distribution<qsizetype> pick(0, words().size() - 1);
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += u' ';
        QString word = words()[pick(random)];
        if (random() % 3 == 0)
            word[0] = word[0].toUpper();
        text += word;
    }
    return text;
}

struct Workspace {
    QList<FenceModel> fences;
    PortalListings listings;
    QStringList allStrings; // what the plain loop scans: every string the search scores
};

Workspace makeWorkspace()
{
    std::mt19937 random(20260301);
    Workspace w;
    constexpr int fenceCount = 10;
    for (int f = 0; f < fenceCount; ++f) {
        FenceModel fence;
        fence.id = newUuid();
        fence.title = QStringLiteral("围栏 %1 ").arg(f) + phrase(random, 2);
        fence.symbolName = QStringLiteral("square.grid.2x2.fill");
        w.allStrings.append(fence.title);

        FenceTab curated;
        curated.id = newUuid();
        curated.kind = FenceKind::curated;
        curated.title = QStringLiteral("链接");
        for (int i = 0; i < 1000; ++i) {
            FenceItem item;
            item.id = newUuid();
            item.title = phrase(random, 3) + QStringLiteral(" %1").arg(i);
            if (i % 2 == 0)
                item.subtitle = phrase(random, 4);
            item.target = QStringLiteral("https://example.com/%1/%2").arg(f).arg(i);
            item.isPinned = i % 50 == 0;
            w.allStrings.append(item.title);
            if (item.subtitle)
                w.allStrings.append(*item.subtitle);
            curated.items.append(item);
        }

        FenceTab portal;
        portal.id = newUuid();
        portal.kind = FenceKind::portal;
        portal.title = QStringLiteral("文件");
        QList<PortalFileEntry> entries;
        for (int i = 0; i < 1000; ++i) {
            PortalFileEntry entry;
            entry.name = phrase(random, 2) + QStringLiteral(" %1.pdf").arg(i);
            entry.displayName = entry.name;
            entry.url = QUrl::fromLocalFile(QStringLiteral("/home/user/Documents/%1/").arg(f) + entry.name);
            entry.fileSize = qint64(random() % 10'000'000);
            entry.symbolName = QStringLiteral("doc.richtext");
            w.allStrings.append(entry.name);
            entries.append(entry);
        }
        w.listings.insert(portal.id, entries);

        fence.tabs = {curated, portal};
        for (int n = 0; n < 5; ++n) {
            FenceTab note;
            note.id = newUuid();
            note.kind = FenceKind::notes;
            note.title = QStringLiteral("便签");
            QString text;
            while (text.size() < 50'000)
                text += phrase(random, 8) + u'\n';
            text.truncate(50'000);
            note.noteText = text;
            w.allStrings.append(note.noteText);
            fence.tabs.append(note);
        }
        fence.activeTabID = curated.id;
        w.fences.append(fence);
    }
    return w;
}

const Workspace& workspace()
{
    static const Workspace w = makeWorkspace();
    return w;
}

void searchKeystroke(benchmark::State& state, const char* query)
{
    const Workspace& w = workspace();
    const QString q = QString::fromUtf8(query);
    qsizetype found = 0;
    for (auto _ : state) {
        const auto results = SpotSearchEngine::search(q, w.fences, w.listings, 32);
        found = results.size();
        benchmark::DoNotOptimize(results.constData());
    }
    state.counters["results"] = double(found);
}

void plainSubstringLoop(benchmark::State& state, const char* query)
{
    const Workspace& w = workspace();
    const QString q = QString::fromUtf8(query).toLower();
    qsizetype found = 0;
    for (auto _ : state) {
        found = 0;
        for (const QString& s : w.allStrings)
            found += s.toLower().contains(q) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = double(found);
}

} // namespace

int main(int argc, char** argv)
{
    // A common word, a Chinese word, a prefix being typed, and a query that matches nothing
    // (every candidate walked to its end by the subsequence test).
    for (const char* query : {"report", "预算", "bu", "zqxj"}) {
        benchmark::RegisterBenchmark((std::string("search/") + query).c_str(), searchKeystroke, query)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("plainLowerContains/") + query).c_str(),
                                     plainSubstringLoop, query)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
