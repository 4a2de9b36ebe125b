// One mixed template formatted a million times by GString::Format, beside the C library's
// snprintf and swprintf with the nearest equivalent templates (they have no grouping flag).
// Prints each time per call and the ratios.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>

#include "text/GString.h"

namespace {

constexpr int kIterations = 1000000;
constexpr int kFirst = 1234567;
constexpr int kSecond = 98765432;
constexpr double kShare = 45.678;
constexpr double kRate = 0.000123456;

void GStringFormat(benchmark::State& state) {
    GString text;
    for (auto _ : state) {
        text.Format(u"Item %`d of %`d: %s (%.2f%%, %.6g)", kFirst, kSecond, u"keyboard layout",
                    kShare, kRate);
        benchmark::DoNotOptimize(text.GetWideText());
    }
}

void Snprintf(benchmark::State& state) {
    char text[128];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "Item %d of %d: %s (%.2f%%, %.6g)", kFirst, kSecond,
                      "keyboard layout", kShare, kRate);
        benchmark::DoNotOptimize(text);
    }
}

void Swprintf(benchmark::State& state) {
    wchar_t text[128];
    for (auto _ : state) {
        std::swprintf(text, sizeof text / sizeof text[0], L"Item %d of %d: %ls (%.2f%%, %.6g)",
                      kFirst, kSecond, L"keyboard layout", kShare, kRate);
        benchmark::DoNotOptimize(text);
    }
}

BENCHMARK(GStringFormat)->Iterations(kIterations);
BENCHMARK(Snprintf)->Iterations(kIterations);
BENCHMARK(Swprintf)->Iterations(kIterations);

// Keeps the time per call of every run so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        const auto own = times_.find("GStringFormat/iterations:1000000");
        if (own == times_.end()) {
            return;
        }
        for (const auto& [name, time] : times_) {
            if (name != own->first && time > 0) {
                std::printf("GStringFormat / %s: %.2f\n", name.c_str(), own->second / time);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
