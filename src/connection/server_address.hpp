// The one platform address the application talks to: what is stored, the
// default that stands in while nothing usable is, and the sign-in request
// every home load starts with. Connection steps write it; everything else
// reads it afresh at every decision.
#pragma once

#include "connection/server_choice.hpp"
#include "platform/settings.hpp"
#include "platform/url.hpp"
#include "platform/web_view.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class ServerAddressSetting {
public:
  // The platform's default hosted address.
  static constexpr std::string_view suggestedServer = "https://app.haulvane.com";

  explicit ServerAddressSetting(Settings& settings) : settings_(settings) {}

  // The stored text, read afresh; none when nothing is stored. An empty or
  // unparsable text still counts as stored. An address the machine's
  // administrator locked stands in for whatever the user stored.
  [[nodiscard]] std::optional<std::string> storedServer() const;
  // Whether the machine's administrator locked the address in.
  [[nodiscard]] bool isLocked() const;
  // The administrator's address while the user has none of their own; it
  // is verified and stored before it is used.
  [[nodiscard]] std::optional<ServerAddress> machineServer() const;
  // The stored address, or the suggested one when the stored text is not a
  // usable URL or nothing is stored.
  [[nodiscard]] Url serverURL() const;
  // The sign-in page of serverURL: "login" appended, the protocol's cache
  // policy, 60 seconds.
  [[nodiscard]] UrlRequest signInRequest() const;
  // Stores `base` as the address; false when it could not be made durable.
  [[nodiscard]] bool store(const Url& base);

private:
  [[nodiscard]] ServerChoice choice() const;

  Settings& settings_;
};

} // namespace velmora
