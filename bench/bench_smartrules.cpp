// Smart-tidy preview speed: a dry run over a folder of 10,000 files with the five default
// rules plus one regular-expression rule tried first, against a plain portal scan of the same
// folder, both timed in the same iteration and reported as a ratio (target: under 1.5). The
// dry run lists the folder itself, so the ratio is what matching, naming and planning add.
#include "core/engine/PortalScan.h"
#include "core/engine/SmartRulesEngine.h"
#include "core/models/Uuid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mv;
using namespace Qt::StringLiterals;
namespace Portal = mv::FolderPortalEngine;

namespace {

// The i-th loose file of a busy desktop: screenshots, photos, documents, code, archives, and
// names no rule takes.
QString fixtureName(int i)
{
    switch (i % 10) {
    case 0: return u"截屏 2026-01-%1 10.%2.png"_s.arg(i).arg(i % 60);
    case 1: return u"Screenshot 2026-02-%1.png"_s.arg(i);
    case 2: return u"IMG_%1.JPG"_s.arg(i, 5, 10, QChar(u'0'));
    case 3: return u"报告 %1 终稿.pdf"_s.arg(i);
    case 4: return u"notes-%1.md"_s.arg(i);
    case 5: return u"main_%1.py"_s.arg(i);
    case 6: return u"backup.%1.tar.gz"_s.arg(i);
    case 7: return u"README%1"_s.arg(i);
    case 8: return u"录音 %1.m4a"_s.arg(i);
    default: return u"数据表 %1.xlsx"_s.arg(i);
    }
}

bool populate(const QString& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        const QByteArray path = QFile::encodeName(folder + u'/' + fixtureName(i));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const QByteArray content(i % 2048, 'x');
        const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
        ::close(fd);
        if (!written)
            return false;
    }
    return true;
}

QList<SmartRule> benchRules()
{
    QList<SmartRule> rules = SmartRulesEngine::defaultRules(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    SmartRule camera;
    camera.id = newUuid();
    camera.name = u"相机照片"_s;
    camera.symbolName = u"camera.fill"_s;
    camera.isEnabled = true;
    camera.priority = 0; // tried first, so the pattern runs against every file
    camera.matchMode = RuleMatchMode::all;
    camera.conditions = {RuleCondition{newUuid(), RuleConditionField::fileNameRegex,
                                       u"^(?:IMG|DSC|PXL)_\\d{5}\\.(?:jpe?g|heic)$"_s, false}};
    camera.targetSubfolderName = u"相机"_s;
    rules.append(camera);
    return rules;
}

void dryRunAgainstScan(benchmark::State& state, const QString& folder)
{
    const QList<SmartRule> rules = benchRules();
    const QUrl source = QUrl::fromLocalFile(folder);
    const auto scan = [&] {
        return Portal::scanDirectory(folder, {Portal::HiddenFiles::Skip, Portal::ExtensionDisplay::Show, QString(), FenceSortMode::nameAsc, {}});
    };
    // One untimed pass of each first, so both read the same warm caches.
    benchmark::DoNotOptimize(scan());
    benchmark::DoNotOptimize(SmartRulesEngine::buildDryRunPlan(source, rules, {}, std::nullopt));

    double planSeconds = 0;
    double scanSeconds = 0;
    qsizetype matched = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const DryRunMovePlan plan = SmartRulesEngine::buildDryRunPlan(source, rules, {}, std::nullopt);
        const double planning = double(timer.nsecsElapsed()) / 1e9;
        matched = plan.matchedMoves.size();
        benchmark::DoNotOptimize(plan);

        timer.restart();
        const PortalScanResult listed = scan();
        const double scanning = double(timer.nsecsElapsed()) / 1e9;
        benchmark::DoNotOptimize(listed);

        state.SetIterationTime(planning);
        planSeconds += planning;
        scanSeconds += scanning;
    }
    const double runs = double(state.iterations());
    state.counters["matched"] = double(matched);
    state.counters["plan_ms"] = planSeconds * 1e3 / runs;
    state.counters["scan_ms"] = scanSeconds * 1e3 / runs;
    state.counters["ratio"] = planSeconds / scanSeconds;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    auto folder = std::make_shared<std::unique_ptr<QTemporaryDir>>();
    benchmark::RegisterBenchmark("dryRunAgainstScan/10000", [folder](benchmark::State& state) {
        if (!*folder) {
            *folder = std::make_unique<QTemporaryDir>();
            if (!(*folder)->isValid() || !populate((*folder)->path(), 10000)) {
                state.SkipWithError("cannot build the fixture folder");
                return;
            }
        }
        dryRunAgainstScan(state, (*folder)->path());
    })
        ->UseManualTime()
        ->MinTime(3.0)
        ->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
