// The core's per-event work, timed with Google Benchmark: every navigation
// the engine reports is parsed and decided on the main thread while the page
// waits, and every page load rebuilds the Go menu.

#include "platform/url.hpp"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using velmora::Url;

// The addresses a busy page produces: the platform's own pages, other sites,
// other schemes, and text that is not an address at all.
const std::vector<std::string>& addressBatch() {
  static const std::vector<std::string> batch = [] {
    std::vector<std::string> out;
    for (int i = 0; i < 16; ++i) {
      out.push_back("https://fleet.haulvane.com/jobs/" + std::to_string(i) + "?tab=open#notes");
      out.push_back("https://www.fleet.haulvane.com/drivers/" + std::to_string(i));
      out.push_back("https://maps.example.org/route?from=" + std::to_string(i) + "&to=depot");
      out.push_back("mailto:dispatch" + std::to_string(i) + "@example.org");
    }
    out.push_back("https://fleet.haulvane.com/");
    out.push_back("about:blank");
    out.push_back("not a url at all");
    out.push_back("");
    return out;
  }();
  return batch;
}

void BM_ParseAddressBatch(benchmark::State& state) {
  const auto& batch = addressBatch();
  for (auto _ : state) {
    for (const std::string& text : batch) benchmark::DoNotOptimize(Url::parse(text));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * batch.size()));
}
BENCHMARK(BM_ParseAddressBatch);

}  // namespace

BENCHMARK_MAIN();
