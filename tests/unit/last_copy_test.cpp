// Which pages are kept for an outage, which copy the error screen offers,
// how many copies stay, where a link inside a copy leads, and what of an
// archive a copy may ask for.
#include "navigation/last_copy.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::optional<Url> url(std::optional<const char*> text) {
  if (!text)
    return std::nullopt;
  auto parsed = Url::parse(*text);
  if (!parsed)
    ADD_FAILURE() << "test URL does not parse: " << *text;
  return parsed;
}

const Url server = *Url::parse("https://dispatch.example.test");

LastCopy copyOf(std::string path, std::int64_t savedAt = 100, std::uint64_t size = 1000) {
  return LastCopy{.path = path,
                  .address = "https://dispatch.example.test" + path,
                  .savedAt = savedAt,
                  .size = size,
                  .fingerprint = "f"};
}

LastCopyIndex indexOf(std::vector<LastCopy> copies) {
  return LastCopyIndex{.server = server.absoluteString(), .copies = std::move(copies)};
}

TEST(LastCopyTest, KeepsOnlyThePlatformsOwnPagesThatMayBeStored) {
  struct Row {
    const char* name;
    std::optional<const char*> page;
    bool noStore;
    bool kept;
  };
  const Row rows[] = {
      {"the dashboard", "https://dispatch.example.test/dashboard", false, true},
      {"the www twin", "https://www.dispatch.example.test/jobs", false, true},
      {"answered no-store", "https://dispatch.example.test/invoices", true, false},
      {"the sign-in page", "https://dispatch.example.test/login", false, false},
      {"the public root page", "https://dispatch.example.test/", false, false},
      {"another site", "https://maps.example.test/route", false, false},
      {"plain http of the platform", "http://dispatch.example.test/jobs", false, false},
      {"a copy itself", "velmora-copy://last-copy/dashboard", false, false},
      {"nothing on show", std::nullopt, false, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(shouldKeepCopy(url(row.page), server, row.noStore), row.kept) << row.name;

  // One copy per path: the query and a trailing slash do not make another.
  EXPECT_EQ(copyPath(url("https://dispatch.example.test/jobs/?page=2#J-1"), server), "/jobs");
  EXPECT_EQ(copyPath(url("https://dispatch.example.test/jobs"), server), "/jobs");
}

TEST(LastCopyTest, ReadsNoStoreWhereverTheHeaderPutsIt) {
  struct Row {
    const char* name;
    const char* header;
    bool forbidden;
  };
  const Row rows[] = {
      {"among others", "private, no-store, max-age=0", true},
      {"in capitals with spaces", "  NO-STORE ", true},
      {"with a stray value", "no-store=1", true},
      {"no-cache is not no-store", "private, no-cache", false},
      {"a longer directive", "no-store-please", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(forbidsStoring(row.header), row.forbidden) << row.name;
}

TEST(LastCopyTest, OffersTheFailedPagesCopyElseTheDashboards) {
  const LastCopyIndex both = indexOf({copyOf("/jobs"), copyOf("/dashboard")});
  const LastCopyIndex dashboardOnly = indexOf({copyOf("/dashboard")});
  const LastCopyIndex jobsOnly = indexOf({copyOf("/jobs")});
  LastCopyIndex otherServer = both;
  otherServer.server = "https://old.example.test";
  struct Row {
    const char* name;
    const LastCopyIndex& index;
    std::optional<const char*> failed;
    std::optional<std::string> offered;
  };
  const Row rows[] = {
      {"the failed page's own", both, "https://dispatch.example.test/jobs?x=1", "/jobs"},
      {"the dashboard's for a page without one", dashboardOnly,
       "https://dispatch.example.test/reports", "/dashboard"},
      {"the dashboard's when nothing is known", both, std::nullopt, "/dashboard"},
      {"none without either", jobsOnly, "https://dispatch.example.test/reports", std::nullopt},
      {"none of another server", otherServer, "https://dispatch.example.test/jobs", std::nullopt},
  };
  for (const Row& row : rows) {
    const auto offered = copyToOffer(row.index, url(row.failed), server);
    EXPECT_EQ(offered ? std::optional(offered->path) : std::nullopt, row.offered) << row.name;
  }
}

TEST(LastCopyTest, KeepsTheNewestTwentyWithinFiftyMebibytes) {
  std::vector<std::string> dropped;
  LastCopyIndex index = indexOf({});
  for (int i = 0; i < 25; ++i)
    index = withCopy(index, copyOf("/page" + std::to_string(i), 100 + i), dropped);
  ASSERT_EQ(index.copies.size(), lastCopiesKept);
  EXPECT_EQ(index.copies.front().path, "/page24") << "newest first";
  EXPECT_EQ(dropped, (std::vector<std::string>{"/page0", "/page1", "/page2", "/page3", "/page4"}));

  // A newer copy of a kept page replaces it instead of taking a second place.
  dropped.clear();
  index = withCopy(index, copyOf("/page10", 200), dropped);
  EXPECT_EQ(index.copies.size(), lastCopiesKept);
  EXPECT_EQ(index.copies.front(), copyOf("/page10", 200));
  EXPECT_TRUE(dropped.empty());

  // Room: big copies push the oldest out; one bigger than the whole budget
  // is never kept.
  dropped.clear();
  const std::uint64_t mib = 1024 * 1024;
  LastCopyIndex big = indexOf({copyOf("/a", 1, 20 * mib), copyOf("/b", 2, 20 * mib)});
  big = withCopy(big, copyOf("/c", 3, 20 * mib), dropped);
  EXPECT_EQ(dropped, std::vector<std::string>{"/a"});
  dropped.clear();
  big = withCopy(big, copyOf("/huge", 4, 51 * mib), dropped);
  EXPECT_EQ(dropped, std::vector<std::string>{"/huge"});
  EXPECT_EQ(big.copies.size(), 2u);
}

TEST(LastCopyTest, LinksInACopyLeadToCopiesOrTheErrorScreen) {
  const LastCopyIndex index = indexOf({copyOf("/dashboard"), copyOf("/jobs")});
  using enum CopyNavigation;
  using enum FrameTarget;
  // The ways a navigation reaches the policy: its frame, whether the user
  // started it, and whether it is a step through the history.
  struct Navigation {
    FrameTarget frame;
    bool gesture;
    bool history;
  };
  const Navigation click{mainFrame, true, false}, ownLoad{mainFrame, false, false},
      stepBack{subframe, false, true}, inFrame{subframe, true, false},
      popUp{newWindow, false, false};
  struct Row {
    const char* name;
    const char* target;
    Navigation navigation;
    bool onCopy;
    CopyNavigationOutcome expected;
  };
  const Row rows[] = {
      {"a live page is not ours", "https://dispatch.example.test/jobs", click, false, {notACopy}},
      {"a kept copy as a step back", "velmora-copy://last-copy/jobs", stepBack, false, {allow}},
      {"a copy no longer kept",
       "velmora-copy://last-copy/trucks",
       ownLoad,
       false,
       {errorScreen, url("https://dispatch.example.test/trucks")}},
      {"a copy in a frame", "velmora-copy://last-copy/jobs", inFrame, false, {ignore}},
      {"a click on a kept page",
       "https://dispatch.example.test/jobs#J-10482",
       click,
       true,
       {showCopy, url("velmora-copy://last-copy/jobs#J-10482")}},
      {"a click on a page never kept",
       "https://dispatch.example.test/reports",
       click,
       true,
       {errorScreen, url("https://dispatch.example.test/reports")}},
      {"another site goes to the browser",
       "https://maps.example.test/?q=812+Alder",
       click,
       true,
       {openInBrowser, url("https://maps.example.test/?q=812+Alder")}},
      {"the application's own load leaves the copy",
       "https://dispatch.example.test/dashboard",
       ownLoad,
       true,
       {notACopy}},
      {"a step back leaves the copy",
       "https://dispatch.example.test/dashboard",
       stepBack,
       true,
       {notACopy}},
      {"a frame of the copy", "https://cdn.example.test/map", inFrame, true, {ignore}},
      {"a window no one asked for", "https://dispatch.example.test/jobs", popUp, true, {ignore}},
  };
  for (const Row& row : rows) {
    const Navigation& how = row.navigation;
    EXPECT_EQ(copyNavigationOutcome(url(row.target), how.frame, how.gesture, how.history,
                                    row.onCopy, index, server),
              row.expected)
        << row.name;
  }
  LastCopyIndex otherServer = index;
  otherServer.server = "https://old.example.test";
  EXPECT_EQ(copyNavigationOutcome(url("velmora-copy://last-copy/jobs"), mainFrame, false, false,
                                  false, otherServer, server)
                .kind,
            errorScreen)
      << "a copy of another server never shows";
}

TEST(LastCopyTest, NamesFilesByAHashOfThePathAlone) {
  const std::string name = copyFileName("/jobs");
  EXPECT_TRUE(name.ends_with(".mhtml"));
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), 16u);
  EXPECT_EQ(copyFileName("/../../etc/passwd").find('/'), std::string::npos);
  EXPECT_NE(copyFileName("/jobs"), copyFileName("/jobs2"));
  EXPECT_EQ(pathOfCopyAddress(copyAddress("/jobs")), "/jobs");
  EXPECT_EQ(pathOfCopyAddress(url("velmora-copy://elsewhere/jobs")), std::nullopt);
  EXPECT_EQ(pathOfCopyAddress(url("https://last-copy/jobs")), std::nullopt);
}

TEST(LastCopyTest, SaysTheTimeAndTheDayOnlyWhenItIsNotToday) {
  std::tm now{};
  now.tm_year = 126;
  now.tm_yday = 340;
  std::tm today = now;
  today.tm_hour = 14;
  today.tm_min = 2;
  std::tm earlier = today;
  earlier.tm_yday = 336;
  earlier.tm_mday = 3;
  earlier.tm_mon = 11;
  EXPECT_EQ(copyTimeLabel(today, now), "14:02");
  EXPECT_EQ(copyTimeLabel(earlier, now), "3 Dec 14:02");
}

const char* const archive = "From: <Saved by WebKit>\r\n"
                            "Subject: Dashboard\r\n"
                            "Date: Tue, 7 Dec 2026 16:32:34 -0000\r\n"
                            "MIME-Version: 1.0\r\n"
                            "Content-Type: multipart/related;\r\n"
                            "\ttype=\"text/html\";\r\n"
                            "\tboundary=\"----=_NextPart_000_74EE\"\r\n"
                            "\r\n"
                            "------=_NextPart_000_74EE\r\n"
                            "Content-Type: text/html\r\n"
                            "Content-Location: https://dispatch.example.test/dashboard\r\n"
                            "\r\n"
                            "<p>Notes:\r\n"
                            "Content-Location: https://tracker.example.test/pixel\r\n"
                            "------=_NextPart_000_74EE\r\n"
                            "Content-Type: text/css\r\n"
                            "Content-Location: https://dispatch.example.test/static/hv.css\r\n"
                            "\r\n"
                            "body { color: red }\r\n"
                            "------=_NextPart_000_74EE--\r\n";

TEST(LastCopyTest, ACopyMayAskOnlyForThePartsItsArchiveHolds) {
  EXPECT_TRUE(looksLikeArchive(archive));
  EXPECT_FALSE(looksLikeArchive("<html><body>not an archive</body></html>"));
  EXPECT_EQ(archiveLocations(archive),
            (std::vector<std::string>{"https://dispatch.example.test/dashboard",
                                      "https://dispatch.example.test/static/hv.css"}))
      << "a line of page text that looks like a header adds nothing";

  // The page gets the declaration the engine's archive leaves out, once.
  const std::string declared = withDoctype(archive);
  EXPECT_NE(declared.find("\r\n\r\n<!DOCTYPE html>\r\n<p>Notes:"), std::string::npos);
  EXPECT_EQ(withDoctype(declared), declared);
  EXPECT_EQ(archiveLocations(declared), archiveLocations(archive));
  EXPECT_EQ(withDoctype("not an archive"), "not an archive");

  // The same page saved again differs only in its date and boundary.
  std::string again = archive;
  for (std::size_t at; (at = again.find("74EE")) != std::string::npos;)
    again.replace(at, 4, "9A1C");
  again.replace(again.find("16:32:34"), 8, "16:33:34");
  EXPECT_EQ(archiveFingerprint(again), archiveFingerprint(archive));
  std::string changed = archive;
  changed.replace(changed.find("color: red"), 10, "color: tan");
  EXPECT_NE(archiveFingerprint(changed), archiveFingerprint(archive));
}

TEST(LastCopyTest, TheIndexReadsBackAndSurvivesDamage) {
  const LastCopyIndex index = indexOf({copyOf("/jobs", 5, 7), copyOf("/dashboard", 4, 9)});
  EXPECT_EQ(parseCopyIndex(serializeCopyIndex(index)), index);
  EXPECT_EQ(parseCopyIndex("not json"), LastCopyIndex{});
  EXPECT_EQ(parseCopyIndex(R"({"server":"s","copies":[{"path":"/a"},)"
                           R"({"path":"no-slash","address":"x","savedAt":1,"size":1},)"
                           R"({"path":"/b","address":"x","savedAt":1,"size":-1},)"
                           R"({"path":"/c","address":"x","savedAt":1,"size":2}]})")
                .copies.size(),
            1u)
      << "only whole entries with a path are read";
}

} // namespace
} // namespace velmora
