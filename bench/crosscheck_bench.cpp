// The data check across tables on the large data set of `mxadmin demo-large`
// (20,000 customers, 2,000 configurations with 200,000 lines, 12,000 drawing
// elements, 20,000 stock items, 100 library entries), built once in a
// temporary folder. The made-up adjustments give some 15,000 findings, so the
// figure includes writing them up.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "CrossCheck.h"
#include "LargeDataSet.h"
#include "RecordingSink.h"
#include "RecordingSleeper.h"
#include "Session.h"

namespace {

class LargeSet {
public:
    LargeSet() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "crosscheck-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        dir_ = tmpl;
        mx::ds::createLargeDataSet(dir_);
    }
    ~LargeSet() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

const LargeSet& largeSet() {
    static const LargeSet set;
    return set;
}

void BM_CrossCheckLargeDataSet(benchmark::State& state) {
    mx::rt::Session session;
    mx::ds::RecordingSink sink;
    mx::ds::RecordingSleeper sleeper;
    mx::ds::DataContext ctx(session, sink, sleeper, largeSet().dir());
    std::size_t findings = 0;
    int told = 0;
    for (auto _ : state) {
        const mx::integrity::Report r = mx::integrity::crossCheck(ctx, [&](const mx::integrity::Progress&) { ++told; });
        if (!r.readable()) {
            state.SkipWithError(r.unreadable.front().c_str());
            return;
        }
        findings = r.findings.size();
        benchmark::DoNotOptimize(findings);
    }
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CrossCheckLargeDataSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
