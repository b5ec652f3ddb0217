// The window controller with the real HTTP client and the real settings
// file, for what only real answers and real files can show; the window,
// the alerts and the other desktop services are the double's.
#pragma once

#include "fake_desktop.hpp"
#include "gtk/key_file_store.hpp"
#include "gtk/services.hpp"
#include "processes.hpp"
#include "window/browser_window_controller.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::testing {

// Sample platform options for HTTPS with a fresh self-signed certificate
// for 127.0.0.1, kept in `keys`: one that nothing on the system vouches for.
inline std::vector<std::string> selfSignedTls(const TempHome& keys) {
  const auto certificate = keys.root() / "cert.pem";
  const auto key = keys.root() / "key.pem";
  (void)runCommand({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj",
                    "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                    key.string(), "-out", certificate.string()});
  EXPECT_TRUE(std::filesystem::exists(certificate));
  return {"--tls-cert", certificate.string(), "--tls-key", key.string()};
}

struct HttpController {
  // Starts on this settings file text; none: nothing stored, a first run.
  explicit HttpController(std::optional<std::string> settingsText = std::nullopt) {
    if (settingsText)
      home.writeSettings(*settingsText);
    controller = std::make_unique<BrowserWindowController>(desktop, nullptr);
    fake.mainQueue.drain();
  }
  // Waits for the next alert and gives it; throws when none comes.
  const Alert& nextAlert(std::chrono::milliseconds timeout = 20s) {
    if (!waitUntil([&] { return fake.alerts.current() != nullptr; }, timeout))
      throw std::runtime_error("no alert came");
    return *fake.alerts.current();
  }
  [[nodiscard]] std::vector<std::string> loads() const { return fake.webView().loadedAddresses(); }

  TempHome home;
  gtk::KeyFileStore store{home.settingsFile()};
  gtk::KeyFileSettings settings{store};
  gtk::SoupHttpClient http;
  FakeDesktop fake;
  Desktop desktop = fake.with({.settings = &settings, .http = &http});
  std::unique_ptr<BrowserWindowController> controller;
};

} // namespace velmora::testing
