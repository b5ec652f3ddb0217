// Addresses as the engine writes them must all reach the policy as URLs.
#include "platform/gtk/engine_url.hpp"

#include <gtest/gtest.h>

namespace velmora::gtk {
namespace {

TEST(EngineUrlTest, EscapesWhatBrowsersLeaveUnescaped) {
  struct Row {
    const char* name;
    const char* uri;
    const char* expected;
  };
  const Row rows[] = {
      {"already valid", "https://a.test/jobs?x=1#top", "https://a.test/jobs?x=1#top"},
      {"pipe and caret in the query", "https://a.test/?q=a|b^c", "https://a.test/?q=a%7Cb%5Ec"},
      {"braces, brackets and backtick", "https://a.test/{x}/[y]?`z`",
       "https://a.test/%7Bx%7D/%5By%5D?%60z%60"},
      {"second hash in the fragment", "https://a.test/#a#b", "https://a.test/#a%23b"},
      {"stray percent", "https://a.test/100%?x=%zz&y=%41", "https://a.test/100%25?x=%25zz&y=%41"},
      {"IPv6 host kept", "http://[::1]:8080/a|b", "http://[::1]:8080/a%7Cb"},
      {"space", "https://a.test/a b", "https://a.test/a%20b"},
      {"mail address", "mailto:a|b@c.test", "mailto:a%7Cb@c.test"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(escapedForRfc3986(row.uri), row.expected) << row.name;
    const auto url = engineUrl(row.uri);
    ASSERT_TRUE(url) << row.name;
    EXPECT_EQ(url->absoluteString(),
              Url::parse(row.uri) ? std::string(row.uri) : std::string(row.expected))
        << row.name;
  }
  EXPECT_EQ(engineUrl("https://a.test/?q=a|b")->host(), "a.test");
  EXPECT_FALSE(engineUrl(nullptr));
  EXPECT_FALSE(engineUrl(""));
}

TEST(EngineUrlTest, WritesTheApplicationsAddressesAsTheEngineReportsThem) {
  for (auto [address, expected] : {
           std::pair{"http://127.0.0.1:8080", "http://127.0.0.1:8080/"},
           {"HTTP://a.test?x=1#y", "HTTP://a.test/?x=1#y"},
           {"https://a.test/login", "https://a.test/login"},
       })
    EXPECT_EQ(engineUri(*Url::parse(address)), expected) << address;
}

} // namespace
} // namespace velmora::gtk
