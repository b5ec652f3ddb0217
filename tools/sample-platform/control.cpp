// Run-time switches of the sample platform, for tests that change the
// server's behaviour between two steps.
#include "control.hpp"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace velmora::sample {
namespace {

constexpr int kMaxNotifications = 100000;

std::optional<Outage> parseOutage(std::string_view text) {
  if (text == "0")
    return Outage::none;
  if (text == "1")
    return Outage::dropConnection;
  if (text == "503")
    return Outage::serviceUnavailable;
  if (text == "silent")
    return Outage::silent;
  return std::nullopt;
}

int outageCode(Outage outage) {
  switch (outage) {
  case Outage::none:
    return 0;
  case Outage::dropConnection:
    return 1;
  case Outage::serviceUnavailable:
    return 503;
  case Outage::silent:
    return 2;
  }
  return 0;
}

std::optional<int> parseCount(std::string_view text) {
  int value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || value < 0 || value > kMaxNotifications) {
    return std::nullopt;
  }
  return value;
}

// "2,50,100": loads of a soak to hold the page after.
std::optional<std::vector<int>> parseCounts(std::string_view text) {
  std::vector<int> counts;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const auto count = parseCount(text.substr(0, comma));
    if (!count)
      return std::nullopt;
    counts.push_back(*count);
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
  }
  return counts;
}

void reject(Exchange& exchange, const std::string& message) {
  exchange.respond(400, "application/json", "{\"error\":" + jsonString(message) + "}\n");
}

} // namespace

void handleControl(Platform& platform, Exchange& exchange) {
  std::optional<Mode> mode;
  std::optional<Outage> outage;
  std::optional<int> notifications;
  bool clearSessions = false;
  std::optional<bool> autoSignIn;
  std::optional<bool> storable;
  std::optional<int> soakLoads;
  std::optional<std::vector<int>> held;
  std::optional<int> release;

  for (const auto& key : exchange.queryKeys()) {
    const std::string value = exchange.queryValue(key).value_or("");
    if (key == "mode") {
      mode = parseMode(value);
      if (!mode) {
        return reject(exchange, "unknown mode: " + value);
      }
    } else if (key == "down") {
      outage = parseOutage(value);
      if (!outage) {
        return reject(exchange, "down must be 0, 1, 503 or silent");
      }
    } else if (key == "notifications") {
      notifications = parseCount(value);
      if (!notifications) {
        return reject(exchange, "notifications must be a count from 0 to 100000");
      }
    } else if (key == "autosignin") {
      if (value != "0" && value != "1") {
        return reject(exchange, "autosignin must be 0 or 1");
      }
      autoSignIn = value == "1";
    } else if (key == "storable") {
      if (value != "0" && value != "1") {
        return reject(exchange, "storable must be 0 or 1");
      }
      storable = value == "1";
    } else if (key == "soak" || key == "release") {
      auto& target = key == "soak" ? soakLoads : release;
      target = parseCount(value);
      if (!target) {
        return reject(exchange, key + " must be a count from 0 to 100000");
      }
    } else if (key == "hold") {
      held = parseCounts(value);
      if (!held) {
        return reject(exchange, "hold must be a list of counts such as 2,50,100");
      }
    } else if (key == "sessions") {
      if (value != "clear") {
        return reject(exchange, "sessions only accepts clear");
      }
      clearSessions = true;
    } else {
      return reject(exchange, "unknown parameter: " + key);
    }
  }

  if (mode)
    platform.mode = *mode;
  if (outage)
    platform.outage = *outage;
  if (notifications)
    platform.notificationCount = *notifications;
  if (autoSignIn)
    platform.autoSignIn = *autoSignIn;
  if (storable)
    platform.storable = *storable;
  if (clearSessions)
    platform.sessions.clear();
  if (soakLoads) {
    platform.soak.loads = *soakLoads;
    platform.soak.held.clear();
  }
  if (held)
    platform.soak.held = *held;
  if (release)
    std::erase(platform.soak.held, *release);

  exchange.respond(200, "application/json",
                   "{\"mode\":" + jsonString(modeName(platform.mode)) +
                       ",\"down\":" + std::to_string(outageCode(platform.outage)) +
                       ",\"notifications\":" + std::to_string(platform.notificationCount) +
                       ",\"soak\":" + std::to_string(platform.soak.loads) + "}\n");
}

void handleReport(Platform&, Exchange& exchange) {
  exchange.respond(204, "text/plain", "");
}

void handleLog(Platform& platform, Exchange& exchange) {
  exchange.respond(200, "application/x-ndjson", platform.log.text());
}

} // namespace velmora::sample
