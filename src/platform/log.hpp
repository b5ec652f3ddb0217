// The core's debug log. The core sees no toolkit, yet the decisions a desk's
// support asks about afterwards are taken here: why a page was refused, why
// a download failed or stopped, what recovery did about a page. Each is told
// to the sink the backend sets at start, which files it with the
// application's own log lines. Without a sink, nothing happens.
#pragma once

#include "platform/url.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::log {

// Which part of the core speaks; the sink tags each line with it.
enum class Module { navigation, downloads, recovery };

[[nodiscard]] std::string_view moduleName(Module module);

using Sink = std::function<void(Module, std::string_view message)>;
// Replaces the sink; an empty one silences the log.
void setSink(Sink sink);
void debug(Module module, std::string_view message);

// An address as a log line may show it: scheme, host, port and path, without
// the query and fragment, which may carry sign-in tokens or a customer's
// details; "(none)" when there is none.
[[nodiscard]] std::string address(const std::optional<Url>& url);

} // namespace velmora::log
