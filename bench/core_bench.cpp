// The core's per-event work, timed with Google Benchmark: every navigation
// the engine reports is parsed and decided on the main thread while the page
// waits, and every page load rebuilds the Go menu from the page's links.

#include "navigation/navigation_policy.hpp"
#include "platform/script_value.hpp"
#include "platform/url.hpp"

// The Go menu's entries are benchmarked once the page bridge is in the tree.
#if __has_include("bridge/go_menu.hpp")
#include "bridge/go_menu.hpp"
#define VELMORA_BENCH_GO_MENU 1
#endif

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace velmora;

// The addresses a busy page produces: the platform's own pages, other sites,
// other schemes, and text that is not an address at all.
const std::vector<std::string>& addressBatch() {
  static const std::vector<std::string> batch = [] {
    std::vector<std::string> out;
    for (int i = 0; i < 15; ++i) {
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
    for (const std::string& text : batch)
      benchmark::DoNotOptimize(Url::parse(text));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * batch.size()));
}
BENCHMARK(BM_ParseAddressBatch);

// The decision alone, on addresses parsed beforehand, in every frame kind.
void BM_NavigationActionOutcomeBatch(benchmark::State& state) {
  const Url server = *Url::parse("https://fleet.haulvane.com");
  std::vector<std::optional<Url>> urls;
  for (const std::string& text : addressBatch())
    urls.push_back(Url::parse(text));
  urls.push_back(std::nullopt);
  const FrameTarget targets[] = {FrameTarget::mainFrame, FrameTarget::subframe,
                                 FrameTarget::newWindow};
  for (auto _ : state) {
    for (size_t i = 0; i < urls.size(); ++i) {
      benchmark::DoNotOptimize(navigationActionOutcome(urls[i], targets[i % 3], true, server));
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * urls.size()));
}
BENCHMARK(BM_NavigationActionOutcomeBatch);

#ifdef VELMORA_BENCH_GO_MENU
// The most a page posts: 24 links, the page on show among them, and the
// sign-out link.
std::vector<ScriptDictionary> postedLinks() {
  std::vector<ScriptDictionary> links;
  for (int i = 0; i < 24; ++i) {
    links.push_back({{"label", ScriptValue{"Workspace page " + std::to_string(i)}},
                     {"href", ScriptValue{"https://fleet.haulvane.com/page/" + std::to_string(i)}},
                     {"current", ScriptValue{i == 3}}});
  }
  links.push_back({{"label", ScriptValue{std::string("Sign out")}},
                   {"href", ScriptValue{std::string("https://fleet.haulvane.com/logout")}},
                   {"current", ScriptValue{false}}});
  return links;
}

void BM_BuildGoMenuEntries25Links(benchmark::State& state) {
  const auto links = postedLinks();
  for (auto _ : state)
    benchmark::DoNotOptimize(buildGoMenuEntries(links));
}
BENCHMARK(BM_BuildGoMenuEntries25Links);
#endif

} // namespace

BENCHMARK_MAIN();
