// 10,000 moves through the portal engine against coreutils `mv` on the same machine in the
// same run, printed as a ratio at the end. Each iteration moves every file from one folder
// to the other and the next one moves them back, so no iteration pays for making files.
#include "core/engine/PortalMoves.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

constexpr int fileCount = 10000;
constexpr int mvBatchSize = 1000; // arguments per mv process

// Two sibling folders, one of which holds the files at any time.
struct Shuttle final {
    QTemporaryDir root;
    QString folders[2];
    QStringList names;
    int full = 0;

    explicit Shuttle(const QString& tag)
        : root(QDir::tempPath() + u"/morvanteel-bench-"_s + tag + u"-XXXXXX"_s)
    {
        folders[0] = root.filePath(u"a"_s);
        folders[1] = root.filePath(u"b"_s);
        QDir().mkpath(folders[0]);
        QDir().mkpath(folders[1]);
        for (int i = 0; i < fileCount; ++i) {
            const QString name = u"file-%1.txt"_s.arg(i, 5, 10, QChar(u'0'));
            names.append(name);
            const int fd = ::open(QFile::encodeName(folders[0] + u'/' + name).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0) {
                (void)::write(fd, "x", 1);
                ::close(fd);
            }
        }
    }

    QStringList sourcePaths() const
    {
        QStringList paths;
        paths.reserve(names.size());
        for (const QString& name : names)
            paths.append(folders[full] + u'/' + name);
        return paths;
    }
};

void moveWithEngine(benchmark::State& state)
{
    Shuttle shuttle(u"engine"_s);
    for (auto _ : state) {
        state.PauseTiming();
        QList<QUrl> sources;
        for (const QString& path : shuttle.sourcePaths())
            sources.append(QUrl::fromLocalFile(path));
        const QUrl destination = QUrl::fromLocalFile(shuttle.folders[1 - shuttle.full]);
        state.ResumeTiming();

        const FolderPortalEngine::MoveResult result = FolderPortalEngine::moveFiles(sources, destination);
        if (!result.ok() || result.value().transaction.moves.size() != fileCount) {
            state.SkipWithError("engine move failed");
            return;
        }
        shuttle.full = 1 - shuttle.full;
    }
    state.SetItemsProcessed(state.iterations() * fileCount);
}

void undoWithEngine(benchmark::State& state)
{
    Shuttle shuttle(u"undo"_s);
    QList<QUrl> sources;
    for (const QString& path : shuttle.sourcePaths())
        sources.append(QUrl::fromLocalFile(path));
    auto first = FolderPortalEngine::moveFiles(sources, QUrl::fromLocalFile(shuttle.folders[1]));
    if (!first.ok()) {
        state.SkipWithError("engine move failed");
        return;
    }
    UndoTransaction last = first.value().transaction;
    for (auto _ : state) {
        auto inverse = FolderPortalEngine::undoTransaction(last);
        if (!inverse.ok() || inverse.value().transaction.moves.size() != fileCount) {
            state.SkipWithError("engine undo failed");
            return;
        }
        last = std::move(inverse.value().transaction);
    }
    state.SetItemsProcessed(state.iterations() * fileCount);
}

void moveWithMv(benchmark::State& state)
{
    const QString mv = QStandardPaths::findExecutable(u"mv"_s);
    if (mv.isEmpty()) {
        state.SkipWithError("mv not found");
        return;
    }
    Shuttle shuttle(u"mv"_s);
    for (auto _ : state) {
        state.PauseTiming();
        const QStringList paths = shuttle.sourcePaths();
        const QString destination = shuttle.folders[1 - shuttle.full];
        state.ResumeTiming();

        for (qsizetype start = 0; start < paths.size(); start += mvBatchSize) {
            QProcess process;
            process.start(mv, QStringList{u"-n"_s, u"-t"_s, destination} + paths.mid(start, mvBatchSize));
            if (!process.waitForFinished(-1) || process.exitCode() != 0) {
                state.SkipWithError("mv failed");
                return;
            }
        }
        shuttle.full = 1 - shuttle.full;
    }
    state.SetItemsProcessed(state.iterations() * fileCount);
}

// Prints as usual, and keeps each benchmark's real time per iteration for the ratio.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions the mean row stands for the benchmark; without, the one run does.
        // (Other aggregate rows, such as the deviation, are not times of a run.)
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            Sum& sum = m_times[run.run_name.function_name];
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean") {
                sum = Sum{run.GetAdjustedRealTime(), 1, true};
            } else if (run.run_type == Run::RT_Iteration && !sum.fromMean) {
                sum.total += run.GetAdjustedRealTime();
                ++sum.count;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        const auto mv = m_times.find("mv_10000_files");
        if (mv == m_times.end() || mv->second.mean() <= 0) {
            std::printf("no mv time, no ratio\n");
            return;
        }
        for (const char* name : {"engine_moveFiles_10000_files", "engine_undoTransaction_10000_files"}) {
            const auto it = m_times.find(name);
            if (it != m_times.end())
                std::printf("%s / mv: %.2f\n", name, it->second.mean() / mv->second.mean());
        }
    }

private:
    struct Sum {
        double total = 0;
        int count = 0;
        bool fromMean = false;
        double mean() const { return count ? total / count : 0; }
    };
    std::map<std::string, Sum> m_times;
};

} // namespace

BENCHMARK(moveWithEngine)->Name("engine_moveFiles_10000_files")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(undoWithEngine)->Name("engine_undoTransaction_10000_files")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(moveWithMv)->Name("mv_10000_files")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
