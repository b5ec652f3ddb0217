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
// (redirects, error statuses, bytes that are not UTF-8, an endless answer,
// one that comes after the twelve seconds allowed); what each body means,
// and what is stored and loaded after each alert, are the unit tests'.
TEST(ConnectionIntegrationTest, JudgesEachKindOfServerRightly) {
  const std::string notPlatform =
      "127.0.0.1 answered, but it is not this towing platform. Check the address.";
  struct Row {
    const char* mode;
    std::string message;     // the first alert after "Connect"
    std::string informative; // how its text starts
  } rows[] = {
      {"app-info-404", "Connected to Sample Towing Co.", ""},
      {"redirect", "Connected to Sample Towing Co.", ""},
      {"legacy", "Found the platform at 127.0.0.1", ""},
      {"legacy-500", "Could not connect", notPlatform},
      {"legacy-latin1", "Could not connect", notPlatform},
      {"huge-answer", "Could not connect",
       "Could not reach 127.0.0.1: the answer is larger than 4 MiB"},
      {"slow", "Could not connect", "Could not reach 127.0.0.1: "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    SamplePlatform platform({"--mode", row.mode});
    HttpController app;
    app.fake.alerts.answer(alertFirstButtonReturn, platform.url());
    const Alert& alert = app.nextAlert(30s);
    EXPECT_EQ(alert.messageText, row.message);
    EXPECT_TRUE(alert.informativeText.starts_with(row.informative)) << alert.informativeText;
    if (row.message.starts_with("Connected")) {
      EXPECT_NE(alert.informativeText.find(platform.url() + " from now on"), std::string::npos)
          << "the address typed, not where a redirect led";
    }
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
}

} // namespace
} // namespace velmora
