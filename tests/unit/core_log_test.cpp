// The core's debug log: a refused page says why without handing the
// support report a query string that may carry a token.
#include "browser_fixture.hpp"
#include "platform/log.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct Captured {
  Captured() {
    log::setSink([this](log::Module module, std::string_view message) {
      lines.push_back(std::string(log::moduleName(module)) + ": " + std::string(message));
    });
  }
  ~Captured() { log::setSink({}); }
  std::vector<std::string> lines;
};

TEST(CoreLogTest, APageSentAwayIsLoggedWithoutItsQueryOrFragment) {
  Captured captured;
  testing::Browser browser;
  browser.navigation().decidePolicyForNavigationAction(
      NavigationAction{.url = Url::parse("https://other.test/reset?token=secret#me")},
      [](NavigationActionPolicy) {});
  ASSERT_EQ(captured.lines.size(), 1u);
  EXPECT_EQ(captured.lines[0],
            "navigation: sent https://other.test/reset to the browser: not the platform's page");
  EXPECT_EQ(log::address(std::nullopt), "(none)");
  EXPECT_EQ(log::address(Url::parse("mailto:a@b.test?subject=x")), "mailto:a@b.test");
}

} // namespace
} // namespace velmora
