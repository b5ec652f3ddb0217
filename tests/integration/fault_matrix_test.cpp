// Faults from outside, met with the real HTTP client and the real settings
// file: a server whose certificate nobody vouches for, and a settings file
// that is damaged or cannot be replaced. Each must end in a clear message,
// and nothing stored may be lost on the way.
#include "http_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::HttpController;
using testing::readFile;
using testing::SamplePlatform;
using testing::selfSignedTls;
using testing::TempHome;

TEST(FaultMatrixTest, ASelfSignedCertificateIsNeverTrusted) {
  TempHome keys;
  SamplePlatform platform(selfSignedTls(keys));
  ASSERT_TRUE(platform.url().starts_with("https://")) << platform.url();

  HttpController window;
  window.fake.alerts.answer(alertFirstButtonReturn, platform.url());
  const Alert& alert = window.nextAlert();
  EXPECT_EQ(alert.messageText, "Could not connect");
  EXPECT_TRUE(alert.informativeText.starts_with("Could not reach 127.0.0.1: "))
      << alert.informativeText;
  EXPECT_TRUE(platform.requests().empty()) << "no request goes over an untrusted connection";
}

TEST(FaultMatrixTest, ADamagedSettingsFileKeepsItsAddressAndACopyOfItself) {
  const std::string address = "http://127.0.0.1:9";
  struct Row {
    const char* name;
    std::string text;
  } rows[] = {
      {"a line that is no setting", "[Settings]\nserverURL=" + address + "\nthis is not a key\n"},
      {"cut off in a group header", "[Settings]\nserverURL=" + address + "\n[Wind"},
      {"binary bytes after it",
       "[Settings]\nserverURL=" + address + "\n" + std::string("\xff\xfe\0\x01=\x80", 6) + "\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HttpController window(row.text);
    // The window starts on the stored platform as if nothing were wrong.
    EXPECT_EQ(window.loads(), std::vector<std::string>{address + "/login"});
    EXPECT_EQ(window.fake.alerts.current(), nullptr);

    // The first write keeps the damaged original beside the new file.
    ASSERT_TRUE(window.store.set("Settings", "windowWidth", "900"));
    auto copy = window.home.settingsFile();
    copy += ".corrupt";
    EXPECT_EQ(readFile(copy), row.text);
    EXPECT_EQ(window.store.get("Settings", "serverURL"), address);
    EXPECT_EQ(window.store.get("Settings", "windowWidth"), "900");
  }
}

TEST(FaultMatrixTest, ASettingsFileThatCannotBeReplacedIsLeftAsItWas) {
  const std::string text = "[Settings]\nserverURL=http://127.0.0.1:9\n[broken";
  HttpController window(text);
  // Where the copy should go, a folder holds the name: no copy, so no write.
  auto copy = window.home.settingsFile();
  copy += ".corrupt";
  std::filesystem::create_directories(copy / "occupied");
  EXPECT_FALSE(window.store.set("Settings", "serverURL", "https://other.test"));
  EXPECT_EQ(readFile(window.home.settingsFile()), text);
}

} // namespace
} // namespace velmora
