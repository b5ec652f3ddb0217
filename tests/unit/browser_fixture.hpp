// The window controller over the in-memory double, as most core tests start:
// a server stored (or none, for a first run) and the controller built. The
// helpers read what the double recorded as plain address strings.
#pragma once

#include "fake_desktop.hpp"
#include "window/browser_window_controller.hpp"

#include <memory>
#include <stdexcept>

namespace velmora::testing {

using Strings = std::vector<std::string>;

struct Browser {
  explicit Browser(std::optional<std::string> stored = "https://acme.example.test") {
    if (stored)
      fake.settings.values["serverURL"] = *stored;
    controller = std::make_unique<BrowserWindowController>(fake.desktop, &fake.application.goMenu);
  }
  // The window's parts as the engine reaches them: through the view.
  [[nodiscard]] NavigationDelegate& navigation() { return fake.webView().delegates.navigation; }
  [[nodiscard]] LoadDelegate& loads() { return fake.webView().delegates.loads; }
  [[nodiscard]] UIDelegate& ui() { return fake.webView().delegates.ui; }
  // A page loaded from start to finish, as the engine reports one.
  void showing(const char* address) {
    fake.webView().currentURL = Url::parse(address);
    loads().didStartProvisionalNavigation();
    loads().didCommitNavigation();
    loads().didFinishNavigation();
  }
  [[nodiscard]] Strings loaded() const { return fake.webView().loadedAddresses(); }
  [[nodiscard]] Strings opened() const { return fake.workspace.openedAddresses(); }
  // The alert waiting for an answer; a test that expects one fails loudly
  // rather than crashing when there is none.
  [[nodiscard]] const Alert& alert() const {
    if (!fake.alerts.current())
      throw std::logic_error("no alert on show");
    return *fake.alerts.current();
  }

  FakeDesktop fake;
  std::unique_ptr<BrowserWindowController> controller;
};

} // namespace velmora::testing
