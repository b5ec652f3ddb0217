// Command-line parsing for velmora-sample-platform.
#include "options.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <utility>

namespace velmora::sample {
namespace {

// Splits "--name=value" into its two halves; "--name" alone gives no value.
std::pair<std::string_view, std::optional<std::string_view>> splitOption(std::string_view arg) {
  const auto eq = arg.find('=');
  if (eq == std::string_view::npos) {
    return {arg, std::nullopt};
  }
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
  unsigned value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

std::string modeList() {
  std::string list;
  for (const Mode mode : allModes()) {
    if (!list.empty()) {
      list += ", ";
    }
    list += modeName(mode);
  }
  return list;
}

ParsedOptions failure(std::string message) {
  return {std::nullopt, std::move(message)};
}

} // namespace

bool isLoopbackAddress(std::string_view host) {
  // inet_pton needs a terminated string; a literal never holds a NUL.
  if (host.empty() || host.size() > INET6_ADDRSTRLEN || host.find('\0') != std::string_view::npos) {
    return false;
  }
  const std::string text(host);
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    return (ntohl(v4.s_addr) >> 24) == 127;
  }
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    return std::memcmp(&v6, &in6addr_loopback, sizeof v6) == 0;
  }
  return false;
}

std::string urlHost(std::string_view host) {
  if (host.find(':') != std::string_view::npos) {
    return "[" + std::string(host) + "]";
  }
  return std::string(host);
}

std::string usageText() {
  return "usage: velmora-sample-platform [--host 127.0.0.1] [--port 0] [--fixtures DIR]\n"
         "                               [--log FILE] [--state-dir DIR] [--mode MODE]\n"
         "                               [--tls-cert FILE --tls-key FILE]\n"
         "modes: " +
         modeList() + "\n";
}

ParsedOptions parseOptions(std::span<const std::string_view> args,
                           const std::filesystem::path& defaultFixtures) {
  Options options;
  options.fixtures = defaultFixtures;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto [name, inlineValue] = splitOption(args[i]);
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }

    std::string_view value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return failure("missing value for " + std::string(name));
    }
    if (value.empty()) {
      return failure("empty value for " + std::string(name));
    }

    if (name == "--host") {
      if (!isLoopbackAddress(value)) {
        return failure("refusing host '" + std::string(value) +
                       "': only loopback addresses (127.0.0.0/8, ::1) are allowed");
      }
      options.host = std::string(value);
    } else if (name == "--port") {
      const auto port = parsePort(value);
      if (!port) {
        return failure("invalid port '" + std::string(value) + "'");
      }
      options.port = *port;
    } else if (name == "--fixtures") {
      options.fixtures = value;
    } else if (name == "--log") {
      options.logFile = value;
    } else if (name == "--state-dir") {
      options.stateDir = value;
    } else if (name == "--mode") {
      const auto mode = parseMode(value);
      if (!mode) {
        return failure("unknown mode '" + std::string(value) + "' (known: " + modeList() + ")");
      }
      options.mode = *mode;
    } else if (name == "--tls-cert") {
      options.tlsCertificate = value;
    } else if (name == "--tls-key") {
      options.tlsKey = value;
    } else {
      return failure("unknown option '" + std::string(name) + "'");
    }
  }

  if (options.tlsCertificate.has_value() != options.tlsKey.has_value()) {
    return failure("--tls-cert and --tls-key go together");
  }
  return {std::move(options), {}};
}

} // namespace velmora::sample
