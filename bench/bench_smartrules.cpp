// Smart-tidy preview speed: a dry run over a folder of 10,000 files with the five default
// rules plus one regular-expression rule tried first, against a plain portal scan of the same
// folder, both timed in the same iteration and reported as a ratio (target: at most 1.5,
// printed as "target" beside it). The dry run lists the folder itself, so the ratio is what
// matching, naming and planning add. Two cases:
// - "firstTidy": the rules' target folders are not there yet;
// - "targetsPresent": every tidy after the first, the target folders already there and holding
//   files, one in ten of the moved names taken already (some of them twice, "name 2.ext" too),
//   so the plan must look up names and rename.
#include "core/engine/PortalScan.h"
#include "core/engine/SmartRulesEngine.h"
#include "core/models/Uuid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
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

// The target folders of benchRules() inside `folder`, each holding earlier tidies' files: a
// hundred names of their own, and one in ten of the names this fixture moves there.
bool populateTargets(const QString& folder, const QList<SmartRule>& rules)
{
    const QUrl source = QUrl::fromLocalFile(folder);
    const DryRunMovePlan firstPlan = SmartRulesEngine::buildDryRunPlan(source, rules, {}, std::nullopt);
    if (firstPlan.matchedMoves.isEmpty())
        return false;
    QSet<QString> made;
    const auto touch = [](const QString& path) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    };
    qsizetype index = 0;
    for (const DryRunMoveItem& item : firstPlan.matchedMoves) {
        const QString target = item.proposedDestinationPath.section(u'/', 0, -2);
        if (!made.contains(target)) {
            if (::mkdir(QFile::encodeName(target).constData(), 0755) != 0)
                return false;
            made.insert(target);
            for (int i = 0; i < 100; ++i) {
                if (!touch(target + u"/earlier %1.txt"_s.arg(i)))
                    return false;
            }
        }
        if (index % 10 == 0 && !touch(item.proposedDestinationPath))
            return false;
        if (index % 30 == 0) {
            const QString& name = item.fileName;
            const qsizetype dot = name.lastIndexOf(u'.');
            const QString second = dot > 0 ? name.left(dot) + u" 2"_s + name.mid(dot) : name + u" 2"_s;
            if (!touch(target + u'/' + second))
                return false;
        }
        ++index;
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
    state.counters["target"] = 1.5;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    // Each folder is built when its benchmark first runs, so a filtered run builds only what
    // it times.
    for (const bool targetsPresent : {false, true}) {
        auto folder = std::make_shared<std::unique_ptr<QTemporaryDir>>();
        const std::string name = targetsPresent ? "dryRunAgainstScan/targetsPresent/10000"
                                                : "dryRunAgainstScan/firstTidy/10000";
        benchmark::RegisterBenchmark(name.c_str(), [folder, targetsPresent](benchmark::State& state) {
            if (!*folder) {
                *folder = std::make_unique<QTemporaryDir>();
                if (!(*folder)->isValid() || !populate((*folder)->path(), 10000)
                    || (targetsPresent && !populateTargets((*folder)->path(), benchRules()))) {
                    state.SkipWithError("cannot build the fixture folder");
                    return;
                }
            }
            dryRunAgainstScan(state, (*folder)->path());
        })
            ->UseManualTime()
            ->MinTime(3.0)
            ->Unit(benchmark::kMillisecond);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
