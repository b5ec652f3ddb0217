// The sample platform's command line. Parsing is kept apart from start-up so
// that a wrong argument is reported as a message, never a crash, and so that
// the loopback-only rule sits in one checked place.
#pragma once

#include "mode.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmora::sample {

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = 0; // 0 lets the system pick a free port
  std::filesystem::path fixtures;
  std::optional<std::filesystem::path> logFile;
  // Where the session ids are kept; without it they go next to the log file,
  // and without a log file they live in memory only.
  std::optional<std::filesystem::path> stateDir;
  Mode mode = Mode::current;
  std::optional<std::filesystem::path> tlsCertificate;
  std::optional<std::filesystem::path> tlsKey;
  bool help = false;
};

struct ParsedOptions {
  std::optional<Options> options; // set exactly when `error` is empty
  std::string error;
};

// Parses the arguments after the program name. Accepts "--name value" and
// "--name=value". `defaultFixtures` is used when --fixtures is not given.
// Refuses hosts that are not loopback address literals, ports outside
// 0..65535, unknown modes and options, and a TLS certificate without its key
// (or the other way round).
[[nodiscard]] ParsedOptions parseOptions(std::span<const std::string_view> args,
                                         const std::filesystem::path& defaultFixtures);

// True for an IPv4 literal in 127.0.0.0/8 and for the IPv6 literal ::1.
// Host names, "localhost" included, are refused: resolving one could bind
// somewhere other than loopback.
[[nodiscard]] bool isLoopbackAddress(std::string_view host);

// The host as it appears in a URL: IPv6 literals get brackets.
[[nodiscard]] std::string urlHost(std::string_view host);

[[nodiscard]] std::string usageText();

} // namespace velmora::sample
