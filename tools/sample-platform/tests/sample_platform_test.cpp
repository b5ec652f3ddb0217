// Unit tests of the sample platform's guards: which files a request path may
// reach, which addresses it may listen on, and that hostile input still gives
// well-formed cookies, log lines and session files.
#include "fixtures.hpp"
#include "mode.hpp"
#include "options.hpp"
#include "request_log.hpp"
#include "sessions.hpp"

#include <gtest/gtest.h>

#include <glib.h>

#include <array>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::sample {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary directory, removed afterwards.
class TempDir {
public:
  TempDir() {
    char pattern[] = "/tmp/sample-platform-test-XXXXXX";
    path_ = g_mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

private:
  fs::path path_;
};

void writeFile(const fs::path& file, std::string_view contents) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << contents;
}

struct PathRow {
  const char* name;
  const char* requestPath;
  std::optional<const char*> expected; // relative to the root
};

TEST(FixturePathTest, MapsRequestPathsToFilesBelowTheRoot) {
  const fs::path root = "/srv/fixtures";
  const std::array<PathRow, 7> valid{{
      {"root page", "/", "index.html"},
      {"page gets html extension", "/dashboard", "dashboard.html"},
      {"trailing slash ignored", "/dashboard/", "dashboard.html"},
      {"asset keeps its extension", "/static/hv.css", "static/hv.css"},
      {"nested page", "/exports/jobs", "exports/jobs.html"},
      {"escaped letters decoded", "/d%61shboard", "dashboard.html"},
      {"dots inside a name", "/report.2024.csv", "report.2024.csv"},
  }};
  for (const auto& row : valid) {
    const auto file = fixturePath(root, row.requestPath);
    ASSERT_TRUE(file.has_value()) << row.name;
    EXPECT_EQ(*file, root / *row.expected) << row.name;
  }
}

TEST(FixturePathTest, RefusesPathsThatCouldLeaveTheRootOrReachInternals) {
  const std::array<PathRow, 17> invalid{{
      {"parent segment", "/../etc/passwd", std::nullopt},
      {"parent inside", "/static/../../etc/passwd", std::nullopt},
      {"encoded parent", "/%2e%2e/etc/passwd", std::nullopt},
      {"upper-case encoded parent", "/%2E%2E%2Fetc%2Fpasswd", std::nullopt},
      {"encoded slash then parent", "/static%2f..%2f..%2fetc", std::nullopt},
      {"current segment", "/./dashboard", std::nullopt},
      {"hidden file", "/.env", std::nullopt},
      {"internal template", "/_login", std::nullopt},
      {"internal folder", "/_workspace/_layout", std::nullopt},
      {"empty segment", "/static//hv.css", std::nullopt},
      {"backslash", "/..%5c..%5cetc", std::nullopt},
      {"encoded NUL", "/hv.css%00.html", std::nullopt},
      {"double-encoded parent", "/%252e%252e/etc", std::nullopt},
      {"broken escape", "/%zz", std::nullopt},
      {"truncated escape", "/abc%2", std::nullopt},
      {"relative", "dashboard", std::nullopt},
      {"empty", "", std::nullopt},
  }};
  for (const auto& row : invalid) {
    EXPECT_EQ(fixturePath("/srv/fixtures", row.requestPath), std::nullopt) << row.name;
  }
}

TEST(ReadFixtureTest, ReadsOnlyRegularFilesInsideTheRoot) {
  TempDir dir;
  const auto root = dir.path() / "fixtures";
  writeFile(root / "page.html", "inside");
  writeFile(dir.path() / "secret.txt", "outside");
  fs::create_directories(root / "folder.html");
  fs::create_symlink(dir.path() / "secret.txt", root / "leak.html");
  fs::create_symlink(root / "page.html", root / "alias.html");

  EXPECT_EQ(readFixture(root, root / "page.html"), "inside");
  EXPECT_EQ(readFixture(root, root / "alias.html"), "inside") << "a link that stays inside is fine";
  EXPECT_EQ(readFixture(root, root / "leak.html"), std::nullopt) << "a link leading out is refused";
  EXPECT_EQ(readFixture(root, root / "folder.html"), std::nullopt);
  EXPECT_EQ(readFixture(root, root / "missing.html"), std::nullopt);
  EXPECT_EQ(readFixture(root, dir.path() / "secret.txt"), std::nullopt);
}

TEST(ExpandTemplateTest, SubstitutesKeysOnceAndLeavesUnclosedBraces) {
  const auto value = [](std::string_view key) {
    return key == "content" ? std::string("{{title}}") : "T";
  };
  EXPECT_EQ(expandTemplate("<h1>{{title}}</h1>{{content}}", value), "<h1>T</h1>{{title}}")
      << "inserted text must not be expanded again";
  EXPECT_EQ(expandTemplate("a {{title b", value), "a {{title b");
  EXPECT_EQ(expandTemplate("}}{{", value), "}}{{");
}

TEST(LoopbackAddressTest, AcceptsOnlyLoopbackLiterals) {
  for (const char* host : {"127.0.0.1", "127.0.0.2", "127.255.255.254", "::1", "0:0:0:0:0:0:0:1"}) {
    EXPECT_TRUE(isLoopbackAddress(host)) << host;
  }
  for (const char* host : {"0.0.0.0", "128.0.0.1", "10.0.0.1", "::", "::ffff:10.0.0.1", "localhost",
                           "127.1", "127.0.0.1 ", "", "fe80::1"}) {
    EXPECT_FALSE(isLoopbackAddress(host)) << host;
  }
  EXPECT_FALSE(isLoopbackAddress(std::string_view("127.0.0.1\0x", 11)));
}

ParsedOptions parse(std::vector<std::string_view> args) {
  return parseOptions(args, "/default/fixtures");
}

TEST(ParseOptionsTest, ReadsBothValueFormsAndDefaults) {
  const auto parsed =
      parse({"--host=127.0.0.2", "--port", "8123", "--mode", "legacy", "--log", "/tmp/x.log"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->host, "127.0.0.2");
  EXPECT_EQ(parsed.options->port, 8123);
  EXPECT_EQ(parsed.options->mode, Mode::legacy);
  EXPECT_EQ(parsed.options->fixtures, "/default/fixtures");
  EXPECT_EQ(parsed.options->logFile, fs::path("/tmp/x.log"));
}

TEST(ParseOptionsTest, RefusesBadArgumentsWithAMessage) {
  const std::vector<std::vector<std::string_view>> rows{
      {"--host", "0.0.0.0"},
      {"--host", "example.test"},
      {"--port", "65536"},
      {"--port", "80x"},
      {"--port", ""},
      {"--port"},
      {"--mode", "Legacy"},
      {"--tls-cert", "c.pem"},
      {"--tls-key", "k.pem"},
      {"--verbose"},
      {"--log="},
  };
  for (const auto& row : rows) {
    const auto parsed = parse(row);
    EXPECT_FALSE(parsed.options) << row.front() << " " << (row.size() > 1 ? row[1] : "");
    EXPECT_FALSE(parsed.error.empty());
  }
}

TEST(ModeTest, EveryModeNameParsesBackToItsMode) {
  for (const Mode mode : allModes()) {
    EXPECT_EQ(parseMode(modeName(mode)), mode) << modeName(mode);
  }
  EXPECT_EQ(parseMode("app-info-404"), Mode::appInfo404);
  EXPECT_EQ(parseMode(""), std::nullopt);
}

TEST(CookieValueTest, FindsTheNamedCookieOnly) {
  EXPECT_EQ(cookieValue("a=1; hv_session=abc", "hv_session"), "abc");
  EXPECT_EQ(cookieValue("hv_session_old=1; hv_session=2", "hv_session"), "2")
      << "a longer name is not a match";
  EXPECT_EQ(cookieValue("xhv_session=1", "hv_session"), std::nullopt);
  EXPECT_EQ(cookieValue("hv_session=first; hv_session=second", "hv_session"), "first");
  EXPECT_EQ(cookieValue("  hv_session = \"q\" ;", "hv_session"), "q");
  EXPECT_EQ(cookieValue("hv_session", "hv_session"), std::nullopt);
  EXPECT_EQ(cookieValue(";;=;", "hv_session"), std::nullopt);
  EXPECT_EQ(cookieValue("", "hv_session"), std::nullopt);
}

TEST(JsonStringTest, EscapesAndRepairsSoEveryLineIsValidJson) {
  EXPECT_EQ(jsonString("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(jsonString("\n\t\x01\x7f"), R"("\n\t\u0001\u007f")");
  EXPECT_EQ(jsonString("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
  EXPECT_EQ(jsonString("bad\xff"), "\"bad\xef\xbf\xbd\"") << "invalid UTF-8 becomes U+FFFD";
  EXPECT_EQ(jsonString(std::string_view("a\0b", 3)), "\"a\xef\xbf\xbd"
                                                     "b\"")
      << "a NUL must not cut the text";
}

TEST(JsonLineTest, KeepsKeyOrderAndMicrosecondTime) {
  const RequestRecord record{"GET",       "/login",       "next=%2F",   "UA",
                             "text/html", "hv_session=1", 1700000000.25};
  EXPECT_EQ(
      jsonLine(record),
      R"({"method":"GET","path":"/login","query":"next=%2F","user_agent":"UA","accept":"text/html",)"
      R"("cookie":"hv_session=1","time":1700000000.250000})");
}

TEST(SessionStoreTest, SessionsSurviveARestartAndSignOut) {
  TempDir dir;
  const auto file = dir.path() / "sessions";
  std::string kept;
  std::string removed;
  {
    SessionStore store(file);
    kept = store.create();
    removed = store.create();
    EXPECT_NE(kept, removed);
    store.remove(removed);
  }
  SessionStore restarted(file);
  EXPECT_TRUE(restarted.isValid(kept));
  EXPECT_FALSE(restarted.isValid(removed));
  EXPECT_FALSE(restarted.isValid(""));
}

TEST(SessionStoreTest, IgnoresMalformedLinesInTheFile) {
  TempDir dir;
  const auto file = dir.path() / "sessions";
  writeFile(
      file,
      "not-an-id\n0123456789abcdef0123456789abcdef\n\n0123456789ABCDEF0123456789ABCDEF\n\xff\xfe");
  SessionStore store(file);
  EXPECT_TRUE(store.isValid("0123456789abcdef0123456789abcdef"));
  EXPECT_FALSE(store.isValid("not-an-id"));
  EXPECT_FALSE(store.isValid("0123456789ABCDEF0123456789ABCDEF"));
}

} // namespace
} // namespace velmora::sample
