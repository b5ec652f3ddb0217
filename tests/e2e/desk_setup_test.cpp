// Setting desks up the way a company's IT person does, with the real
// application: a machine-wide server in the system configuration folders,
// locked or not, Open at Login, and the report a desk copies for support.
#include "processes.hpp"
#include "session_bus.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::testing {
namespace {

void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

bool signsInAt(const SamplePlatform& platform) {
  return platform.waitForRequest([](const LoggedRequest& r) { return r.path == "/login"; })
      .has_value();
}

// The first folder holds a damaged file, which is passed over; the second
// names the server. A fresh home connects there with no first-run panel,
// keeps it as its own, and the damage shows in the support report and in
// the log file asked for. Open at Login then adds and removes the desk's
// autostart entry.
TEST(MachineServerE2ETest, ASystemFileConnectsAFreshHomeWithoutThePanel) {
  SamplePlatform platform;
  TempHome home;
  writeFile(home.systemConfigDirs()[0] / "velmora/settings.ini", "[Settings\nserverURL=nowhere\n");
  writeFile(home.systemConfigDirs()[1] / "velmora/settings.ini",
            "[Settings]\nserverURL=" + platform.url() + "\n");
  const std::filesystem::path logFile = home.root() / "velmora.log";
  App app(home, {"--log-file", logFile.string()});
  ASSERT_TRUE(answerWithReturn("Connected to Sample Towing Co."));
  EXPECT_TRUE(signsInAt(platform));
  EXPECT_NE(home.readSettings().find("serverURL=" + platform.url() + "\n"), std::string::npos)
      << home.readSettings();
  EXPECT_TRUE(visibleWindow("^Connect to your towing platform").empty());

  ASSERT_TRUE(app.activate("app.copySupportReport"));
  std::string report;
  ASSERT_TRUE(waitUntil([&] {
    report = runCommand({"/usr/bin/python3", VELMORA_SOURCE_DIR "/tests/e2e/read_clipboard.py"});
    return report.starts_with("Velmora support report");
  })) << report;
  EXPECT_NE(report.find("Velmora: " VELMORA_VERSION "\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Web engine: WebKitGTK 2."), std::string::npos) << report;
  EXPECT_NE(report.find("Display: X11\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Server: " + platform.url() + "\n"), std::string::npos) << report;
  EXPECT_NE(report.find("locked by the administrator: no\n"), std::string::npos) << report;
  // Debug lines are kept without G_MESSAGES_DEBUG.
  EXPECT_NE(report.find("DEBUG launch: window shown"), std::string::npos) << report;
  EXPECT_NE(report.find("DEBUG ignored the machine settings in " +
                        (home.systemConfigDirs()[0] / "velmora/settings.ini").string()),
            std::string::npos)
      << report;
  EXPECT_NE(readFile(logFile).find("DEBUG launch: window shown\n"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(logFile).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  // Open at Login adds the autostart entry and takes it away again.
  const std::filesystem::path entry =
      home.root() / ".config/autostart/com.haulvane.Velmora.desktop";
  const auto checked = [] {
    const auto action = describeAction("/com/haulvane/Velmora", "openAtLogin");
    return action && action->booleanState == true;
  };
  EXPECT_FALSE(checked());
  ASSERT_TRUE(app.activate("app.openAtLogin"));
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(entry); }));
  EXPECT_NE(
      readFile(entry).find("\nExec=" + std::filesystem::canonical(VELMORA_BINARY).string() + "\n"),
      std::string::npos)
      << readFile(entry);
  EXPECT_TRUE(waitUntil(checked));
  ASSERT_TRUE(app.activate("app.openAtLogin"));
  EXPECT_TRUE(waitUntil([&] { return !std::filesystem::exists(entry); }));
  EXPECT_TRUE(waitUntil([&] { return !checked(); }));
  EXPECT_TRUE(app.quit());
}

// A locked server wins over the user's own address, and a set-up link to
// another server is refused with a message; nothing reaches that server.
TEST(MachineServerE2ETest, ALockedServerRefusesALinkToAnotherServer) {
  SamplePlatform platform;
  SamplePlatform elsewhere({}, "127.0.0.2");
  TempHome home;
  home.storeServer(elsewhere.url());
  writeFile(home.systemConfigDirs()[0] / "velmora/settings.ini",
            "[Settings]\nserverURL=" + platform.url() + "\nlocked=true\n");
  App app(home);
  ASSERT_TRUE(signsInAt(platform));
  ASSERT_FALSE(waitForWindow().empty());

  Process link({VELMORA_BINARY, "haulvane://connect?server=" + elsewhere.url()},
               home.environment());
  EXPECT_TRUE(link.waitForExit());
  ASSERT_FALSE(waitForDialog("Setup link not used").empty());
  screenshot("locked-server-refuses-a-link");
  EXPECT_TRUE(answerWithReturn("Setup link not used"));
  EXPECT_TRUE(visibleWindow("^Connect to ").empty()) << "never asked to connect";
  EXPECT_TRUE(elsewhere.requests().empty()) << "the other server was contacted";

  // Settings… shows the address; typing into it changes nothing.
  ASSERT_TRUE(app.activate("app.preferences"));
  const std::string panel = waitForDialog("Server address");
  ASSERT_FALSE(panel.empty());
  pressKeys(panel, "ctrl+a x");
  screenshot("locked-server-settings");
  EXPECT_TRUE(answerWithReturn("Server address"));
  EXPECT_EQ(home.readSettings(), "[Settings]\nserverURL=" + elsewhere.url() + "\n");
  EXPECT_TRUE(elsewhere.requests().empty());
  EXPECT_TRUE(app.quit());
}

} // namespace
} // namespace velmora::testing
