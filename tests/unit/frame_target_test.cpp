// How main-frame navigations are told from frame loads when the engine does
// not say, when it is only a guess, and how the guesses are kept.
#include "gtk/frame_target.hpp"

#include <gtest/gtest.h>

// Each row names only the facts that matter to it; the rest stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace velmora {
namespace {

constexpr const char* page = "http://127.0.0.1:8080/away";

TEST(FrameTargetTest, TellsMainFrameFromSubframe) {
  using enum NavigationKind;
  using enum FrameTarget;
  // The main frame's for certain, a frame's for certain, or a frame's on a
  // guess that is looked at again once the response comes.
  const FrameGuess main{mainFrame, true}, frame{subframe, true}, guess{subframe, false};
  struct Row {
    const char* name;
    NavigationFacts facts;
    FrameGuess expected;
  };
  const Row rows[] = {
      {"redirect of the main frame",
       {.uri = "https://a.test/", .fetchDestination = "document"},
       main},
      {"redirect of a frame", {.uri = "https://a.test/", .fetchDestination = "iframe"}, frame},
      {"the application's own load",
       {.uri = "http://127.0.0.1:8080/login", .applicationLoadUri = "http://127.0.0.1:8080/login"},
       main},
      {"link whose referrer is only the page's origin",
       {.uri = "https://b.test/",
        .kind = linkClicked,
        .referrer = "HTTP://127.0.0.1:8080/",
        .currentUri = page},
       main},
      {"link without a referrer",
       {.uri = "https://b.test/", .kind = linkClicked, .currentUri = page},
       main},
      {"form sent from the page",
       {.uri = "http://127.0.0.1:8080/login",
        .kind = formSubmitted,
        .referrer = "http://127.0.0.1:8080/away",
        .currentUri = page},
       main},
      {"link clicked inside a foreign frame",
       {.uri = "https://maps.test/zoom",
        .kind = linkClicked,
        .userGesture = true,
        .referrer = "https://maps.test/embed",
        .currentUri = page},
       guess},
      {"same host on another port is another origin",
       {.uri = "http://127.0.0.1:9090/x",
        .kind = linkClicked,
        .referrer = "http://127.0.0.1:9090/",
        .currentUri = page},
       guess},
      {"frame filling itself",
       {.uri = "https://maps.test/embed", .referrer = "http://127.0.0.1:8080/", .currentUri = page},
       guess},
      {"script in a click handler",
       {.uri = "https://b.test/", .userGesture = true, .currentUri = page},
       guess},
      {"reload", {.uri = page, .kind = reload}, guess},
      {"mail address from a click handler",
       {.uri = "mailto:a@b.test", .userGesture = true, .currentUri = page},
       main},
      {"mail link clicked inside a foreign frame",
       {.uri = "mailto:a@b.test",
        .kind = linkClicked,
        .userGesture = true,
        .referrer = "https://maps.test/",
        .currentUri = page},
       main},
      {"mail address without a user action", {.uri = "mailto:a@b.test", .currentUri = page}, guess},
      {"blank frame from a click handler",
       {.uri = "about:blank", .userGesture = true, .currentUri = page},
       guess},
  };
  for (const Row& row : rows) {
    const FrameGuess guessed = guessFrameTarget(row.facts);
    EXPECT_EQ(guessed.target, row.expected.target) << row.name;
    EXPECT_EQ(guessed.certain, row.expected.certain) << row.name;
  }
}

TEST(FrameTargetTest, KnowsTheApplicationsOwnLoadsOnceAndKeepsGuessesForASecondLook) {
  FrameTargets targets;
  const std::string login = engineUri(*Url::parse("http://127.0.0.1:8080"));
  EXPECT_EQ(login, "http://127.0.0.1:8080/") << "written as the engine reports it";
  targets.applicationLoadStarted(login);
  targets.applicationLoadStarted("http://127.0.0.1:8080/failed");
  targets.loadFailed("http://127.0.0.1:8080/failed");
  const NavigationFacts own{.uri = login};
  EXPECT_EQ(targets.targetOf(own), FrameTarget::mainFrame);
  EXPECT_EQ(targets.targetOf(own), FrameTarget::subframe) << "recognised once only";
  EXPECT_EQ(targets.targetOf({.uri = "http://127.0.0.1:8080/failed"}), FrameTarget::subframe);

  EXPECT_TRUE(targets.takeGuess(login)) << "the second, guessed, navigation";
  EXPECT_FALSE(targets.takeGuess(login)) << "taken once";
  EXPECT_FALSE(targets.takeGuess("https://never.test/"));
}

// A page that floods the engine with navigations pushes the user's click out
// of memory: the download it led to then counts as no one's, and is refused.
TEST(FrameTargetTest, RemembersTheUsersClicksOnlyWhileFewFollow) {
  FrameTargets targets;
  const std::string clicked = "https://maps.test/export.csv";
  (void)targets.targetOf({.uri = clicked, .userGesture = true});
  (void)targets.targetOf({.uri = "https://maps.test/other"});
  EXPECT_TRUE(targets.takeUserGesture(clicked));
  EXPECT_FALSE(targets.takeUserGesture(clicked)) << "taken once";

  (void)targets.targetOf({.uri = clicked, .userGesture = true});
  for (int i = 0; i < 100; ++i)
    (void)targets.targetOf({.uri = "https://maps.test/" + std::to_string(i), .userGesture = true});
  EXPECT_FALSE(targets.takeUserGesture(clicked));
}

} // namespace
} // namespace velmora
