// Connecting over real HTTP and the real settings file, against the sample
// platform in each of its personalities.
#include "http_controller.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::HttpController;
using testing::SamplePlatform;

// One server of each kind the client must carry faithfully to the judgement
// (redirects, error statuses, bytes that are not UTF-8, an endless answer);
// what each body means is judged in the platform answer tests.
TEST(ConnectionIntegrationTest, JudgesEachKindOfServerRightly) {
  const std::string notPlatform =
      "127.0.0.1 answered, but it is not this towing platform. Check the address.";
  struct Row {
    const char* mode;
    std::string message;     // the first alert after "Connect"
    std::string informative; // checked when not empty
    bool confirmAndStore;    // the alert asks, and "Connect" adopts
  } rows[] = {
      {"app-info-404", "Connected to Sample Towing Co.", "", false},
      {"redirect", "Connected to Sample Towing Co.", "", false},
      {"legacy", "Found the platform at 127.0.0.1", "", true},
      {"legacy-500", "Could not connect", notPlatform, false},
      {"legacy-latin1", "Could not connect", notPlatform, false},
      {"huge-answer", "Could not connect",
       "Could not reach 127.0.0.1: the answer is larger than 4 MiB", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    SamplePlatform platform({"--mode", row.mode});
    HttpController app;
    app.fake.alerts.answer(alertFirstButtonReturn, platform.url());
    const Alert& alert = app.nextAlert();
    EXPECT_EQ(alert.messageText, row.message);
    if (!row.informative.empty()) {
      EXPECT_EQ(alert.informativeText, row.informative);
    }
    if (row.confirmAndStore)
      app.fake.alerts.answer(alertFirstButtonReturn);

    const bool adopted = row.message.starts_with("Connected") || row.confirmAndStore;
    if (row.message.starts_with("Connected")) {
      EXPECT_EQ(alert.informativeText, "This computer will use " + platform.url() +
                                           " from now on. Change it any time in Settings.");
      app.fake.alerts.answer();
    }
    if (adopted) {
      EXPECT_NE(app.home.readSettings().find("serverURL=" + platform.url() + "\n"),
                std::string::npos)
          << app.home.readSettings();
      EXPECT_EQ(app.loads(), std::vector<std::string>{platform.url() + "/login"});
    } else {
      app.fake.alerts.answer();
      EXPECT_FALSE(std::filesystem::exists(app.home.settingsFile())) << "nothing stored";
      ASSERT_NE(app.fake.alerts.current(), nullptr);
      EXPECT_EQ(app.fake.alerts.current()->buttons.at(1), "Quit") << "the first-run form again";
      EXPECT_TRUE(app.loads().empty());
    }
    EXPECT_TRUE(app.fake.alerts.shown.size() <= 1u);
  }
}

TEST(ConnectionIntegrationTest, AsksWithOneAcceptHeaderAndNoCookie) {
  SamplePlatform platform({"--mode", "legacy"});
  HttpController app;
  app.fake.alerts.answer(alertFirstButtonReturn, platform.url());
  (void)app.nextAlert();
  const auto requests = platform.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/api/v1/app-info");
  EXPECT_EQ(requests[0].accept, "application/json");
  EXPECT_EQ(requests[1].path, "/login");
  EXPECT_EQ(requests[1].accept, "text/html");
  for (const auto& request : requests)
    EXPECT_EQ(request.cookie, "");
}

TEST(ConnectionIntegrationTest, AnAnswerAfterTwelveSecondsCountsAsUnreachable) {
  SamplePlatform platform({"--mode", "slow"});
  HttpController app;
  app.fake.alerts.answer(alertFirstButtonReturn, platform.url());
  const Alert& alert = app.nextAlert(30s);
  EXPECT_EQ(alert.messageText, "Could not connect");
  EXPECT_TRUE(alert.informativeText.starts_with("Could not reach 127.0.0.1: "))
      << alert.informativeText;
  EXPECT_EQ(platform.requests().size(), 1u) << "no legacy probe after a transport failure";
}

TEST(ConnectionIntegrationTest, ReportsServersThatCannotBeReached) {
  SamplePlatform platform;
  SamplePlatform stopped;
  const std::string closed = stopped.url();
  stopped.stop();
  const std::string ftp = "ftp://" + platform.url().substr(std::string("http://").size());
  struct Row {
    std::string typed, informative;
  } rows[] = {
      {closed, "Could not reach 127.0.0.1: Could not connect to 127.0.0.1: Connection refused"},
      {ftp, "Could not reach 127.0.0.1: unsupported URL"},
  };
  for (const auto& row : rows) {
    HttpController app;
    app.fake.alerts.answer(alertFirstButtonReturn, row.typed);
    EXPECT_EQ(app.nextAlert().informativeText, row.informative) << row.typed;
  }
  EXPECT_TRUE(platform.requests().empty()) << "nothing is sent for another scheme";
}

TEST(ConnectionIntegrationTest, AnUnwritableSettingsFileIsReportedNotAnnounced) {
  SamplePlatform platform;
  HttpController app;
  // A folder where the file should be: nothing can be written there.
  std::filesystem::create_directories(app.home.settingsFile());
  app.fake.alerts.answer(alertFirstButtonReturn, platform.url());
  EXPECT_EQ(app.nextAlert().messageText, "Could not save the address");
  app.fake.alerts.answer();
  EXPECT_EQ(app.fake.alerts.current()->buttons.at(1), "Quit");
  EXPECT_TRUE(app.loads().empty());
}

} // namespace
} // namespace velmora
