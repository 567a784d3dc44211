// Snapping one dragged frame against 1,000 other frames: what runs on every move event of a drag.

#include "core/engine/MagneticSnapEngine.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace mv;

namespace {

void snapAgainstThousandFrames(benchmark::State& state)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, 5000);
    std::uniform_real_distribution<double> y(0, 3000);
    std::uniform_real_distribution<double> side(120, 480);
    QList<FenceFrameRect> others;
    for (int i = 0; i < 1000; ++i)
        others.append({x(random), y(random), side(random), side(random)});
    const FenceFrameRect screen{0, 0, 5120, 2880};

    FenceFrameRect moved{1234.5, 987.25, 320, 240};
    for (auto _ : state) {
        // Drift a little per event, as a drag does.
        moved.x += 0.5;
        if (moved.x > 4000)
            moved.x = 100;
        const SnapResult result = MagneticSnapEngine::snapMovedFrame(moved, others, screen, 16, 14, 12);
        benchmark::DoNotOptimize(result.frame);
    }
}

} // namespace

BENCHMARK(snapAgainstThousandFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
