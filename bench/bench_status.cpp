// Evaluation of the status page: GetDranCount beside a plain substring scan
// that finds the same answer, on pages of growing size with the count text
// near the end (the usual case: the whole page before it) and near the start
// (the engine must walk back over everything after it).

#include "status/StatusPage.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::string MakePage(std::size_t size, bool nearEnd) {
    std::string page;
    page.reserve(size);
    const std::string row =
        "<tr><td class=\"g\">Rennen</td><td>Runde 17</td><td>wartet</td></tr>\r\n";
    while (page.size() < size) {
        page += row;
    }
    page.resize(size);
    const std::string text = "Vexel - 1 <a href=\"javascript:fenster(4711)\">";
    page.replace(nearEnd ? size - 4096 : 1024, text.size(), text);
    return page;
}

// The same answer without a regular expression: the last "Vexel - " that is
// followed by a digit, searched from the end.
std::int32_t ScanDranCount(std::string_view page) {
    static constexpr std::string_view key = "Vexel - ";
    std::size_t from = std::string_view::npos;
    for (;;) {
        const std::size_t pos = page.rfind(key, from);
        if (pos == std::string_view::npos) {
            return -1;
        }
        std::size_t i = pos + key.size();
        if (i < page.size() && page[i] >= '0' && page[i] <= '9') {
            std::int64_t v = 0;
            for (; i < page.size() && page[i] >= '0' && page[i] <= '9'; ++i) {
                v = v * 10 + (page[i] - '0');
                if (v > INT32_MAX) {
                    return -1;
                }
            }
            return static_cast<std::int32_t>(v);
        }
        if (pos == 0) {
            return -1;
        }
        from = pos - 1;
    }
}

void Run(benchmark::State& state, bool regex) {
    const std::string page =
        MakePage(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    if (vexrem::GetDranCount(page) != 1 || ScanDranCount(page) != 1) {
        state.SkipWithError("wrong answer");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(regex ? vexrem::GetDranCount(page) : ScanDranCount(page));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_GetDranCount(benchmark::State& state) {
    Run(state, true);
}
void BM_PlainScan(benchmark::State& state) {
    Run(state, false);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"bytes", "nearEnd"});
    for (std::int64_t size : {64 << 10, 1 << 20, 16 << 20}) {
        for (std::int64_t nearEnd : {1, 0}) {
            b->Args({size, nearEnd});
        }
    }
}

} // namespace

BENCHMARK(BM_GetDranCount)->Apply(Sizes);
BENCHMARK(BM_PlainScan)->Apply(Sizes);

BENCHMARK_MAIN();
