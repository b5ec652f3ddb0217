// velmora-sample-platform: a stand-in for the towing dispatch platform that
// integration tests, end-to-end tests, benchmarks and the demo run against.
// It prints "listening on URL" as its only line on stdout, then serves until
// it receives SIGINT or SIGTERM.
#include "glib_owners/glib_ptr.hpp"
#include "options.hpp"
#include "platform.hpp"
#include "server.hpp"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef VELMORA_SAMPLE_FIXTURES_DIR
#error "VELMORA_SAMPLE_FIXTURES_DIR must name the default fixtures folder"
#endif

namespace {

using namespace velmora::sample;

std::optional<std::filesystem::path> sessionFile(const Options& options) {
  if (options.stateDir) {
    return *options.stateDir / "sessions";
  }
  if (options.logFile) {
    return std::filesystem::path(options.logFile->string() + ".sessions");
  }
  return std::nullopt;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "velmora-sample-platform: %s\n", message.c_str());
  return 2;
}

gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
  const auto parsed = parseOptions(args, VELMORA_SAMPLE_FIXTURES_DIR);
  if (!parsed.options) {
    return fail(parsed.error + "\n" + usageText());
  }
  const Options& options = *parsed.options;
  if (options.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }

  std::error_code ec;
  if (!std::filesystem::is_directory(options.fixtures, ec)) {
    return fail("fixtures folder not found: " + options.fixtures.string());
  }
  if (options.stateDir && !std::filesystem::is_directory(*options.stateDir, ec) &&
      !std::filesystem::create_directories(*options.stateDir, ec)) {
    return fail("cannot create state folder " + options.stateDir->string());
  }
  std::string error;
  auto log = RequestLog::open(options.logFile, error);
  if (!log) {
    return fail(error);
  }

  Platform platform{
      .fixtures = options.fixtures,
      .mode = options.mode,
      .log = std::move(*log),
      .sessions = SessionStore(sessionFile(options)),
  };
  Server server(platform);
  const auto url = server.listen(options, error);
  if (!url) {
    return fail(error);
  }
  std::printf("listening on %s\n", url->c_str());
  std::fflush(stdout);

  const velmora::GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  g_unix_signal_add(SIGINT, quitLoop, loop.get());
  g_unix_signal_add(SIGTERM, quitLoop, loop.get());
  g_main_loop_run(loop.get());
  return 0;
}
