#include "connection/server_address.hpp"

namespace velmora {
namespace {

constexpr std::string_view serverKey = "serverURL";
constexpr std::string_view lockedKey = "locked";

} // namespace

ServerChoice ServerAddressSetting::choice() const {
  return chooseServer(settings_.stringForKey(serverKey),
                      MachineServerSettings{.serverURL = settings_.systemStringForKey(serverKey),
                                            .locked = settings_.systemStringForKey(lockedKey)});
}

std::optional<std::string> ServerAddressSetting::storedServer() const {
  return choice().server;
}

bool ServerAddressSetting::isLocked() const {
  return choice().locked;
}

std::optional<ServerAddress> ServerAddressSetting::machineServer() const {
  return choice().machineServer;
}

Url ServerAddressSetting::serverURL() const {
  const std::string text = storedServer().value_or(std::string(suggestedServer));
  if (auto url = Url::parse(text))
    return *url;
  // The default is a fixed, valid address, so this always parses.
  return *Url::parse(suggestedServer);
}

UrlRequest ServerAddressSetting::signInRequest() const {
  return UrlRequest{.url = serverURL().appendingPathComponent("login")};
}

bool ServerAddressSetting::store(const Url& base) {
  return settings_.setString(serverKey, base.absoluteString());
}

} // namespace velmora
