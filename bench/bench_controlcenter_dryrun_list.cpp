// The dry-run list of the smart-rules page with 10,000 proposed moves, on the offscreen
// platform: building it (the plan model filled, the list laid out and painted once) and
// scrolling it one page (the next page painted), each in milliseconds of wall time.
#include "core/models/MoveRecords.h"
#include "core/models/Uuid.h"
#include "design/DesignEnvironment.h"
#include "desktop/controlcenter/DryRunPlanListView.h"
#include "desktop/controlcenter/DryRunPlanModel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStandardPaths>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

constexpr int planRows = 10000;

QList<DryRunMoveItem> planItems()
{
    static const QStringList rules{u"截图归档"_s, u"图片素材"_s, u"文档资料"_s, u"代码片段"_s, u"压缩包"_s};
    QList<DryRunMoveItem> items;
    items.reserve(planRows);
    for (int i = 0; i < planRows; ++i) {
        const QString name = u"桌面文件 %1.png"_s.arg(i, 5, 10, QChar(u'0'));
        const QString rule = rules.at(i % rules.size());
        items.append(DryRunMoveItem{mv::newUuid(), mv::newUuid(), rule, u"/home/用户/桌面/"_s + name,
                                    u"/home/用户/桌面/"_s + rule + u'/' + name, name, qint64(i) * 1337,
                                    i % 7 == 0});
    }
    return items;
}

// Lays the list out and paints what it shows, as a frame would.
void paintNow(DryRunPlanListView& view)
{
    QCoreApplication::processEvents();
    view.viewport()->repaint();
}

void buildPlanList(benchmark::State& state)
{
    const QList<DryRunMoveItem> items = planItems();
    DesignEnvironment environment;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        DryRunPlanModel model;
        DryRunPlanListView view(&environment);
        view.setModel(&model);
        view.resize(640, 560);
        model.setMoves(items);
        view.show();
        paintNow(view);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (model.rowCount() != planRows)
            state.SkipWithError("the plan was not listed");
    }
}

void scrollPlanListOnePage(benchmark::State& state)
{
    DesignEnvironment environment;
    DryRunPlanModel model;
    DryRunPlanListView view(&environment);
    view.setModel(&model);
    view.resize(640, 560);
    model.setMoves(planItems());
    view.show();
    paintNow(view);
    QScrollBar* bar = view.verticalScrollBar();
    for (auto _ : state) {
        // From the top down one page, and back, so that every iteration scrolls.
        const int target = bar->value() == 0 ? bar->pageStep() : 0;
        QElapsedTimer timer;
        timer.start();
        bar->setValue(target);
        paintNow(view);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}

} // namespace

BENCHMARK(buildPlanList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(scrollPlanListOnePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
