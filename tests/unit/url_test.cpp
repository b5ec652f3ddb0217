#include "platform/url.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(UrlTest, ReadsPartsAsWrittenAndRefusesMalformedText) {
  for (const char* text : {"", "http://exa mple.test", "https://a.test/%zz", "http://[::1"})
    EXPECT_FALSE(Url::parse(text)) << text;
  struct Row {
    const char* text;
    std::optional<std::string> scheme, host, port;
    std::string path;
  };
  const Row rows[] = {
      {"https://Dispatch.Example.test:8443/Jobs/?q=1#x", "https", "Dispatch.Example.test", "8443",
       "/Jobs"},
      {"http://user:pw@a.test", "http", "a.test", std::nullopt, ""},
      {"http://[::1]:8080/", "http", "::1", "8080", "/"},
      {"https://", "https", std::nullopt, std::nullopt, ""},
      {"/jobs/open", std::nullopt, std::nullopt, std::nullopt, "/jobs/open"},
      {"mailto:dispatch@a.test", "mailto", std::nullopt, std::nullopt, "dispatch@a.test"},
      {"https://a.test/r%C3%A9sum%C3%A9/", "https", "a.test", std::nullopt, "/résumé"},
  };
  for (const Row& row : rows) {
    auto url = Url::parse(row.text);
    ASSERT_TRUE(url) << row.text;
    EXPECT_EQ(url->scheme(), row.scheme) << row.text;
    EXPECT_EQ(url->host(), row.host) << row.text;
    EXPECT_EQ(url->port(), row.port) << row.text;
    EXPECT_EQ(url->path(), row.path) << row.text;
  }
}

TEST(UrlTest, ReadsAddressesAsBrowsersWriteThem) {
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
      {"mail address", "mailto:a|b@c.test", "mailto:a%7Cb@c.test"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(escapedForRfc3986(row.uri), row.expected) << row.name;
    const auto url = Url::parseLenient(row.uri);
    ASSERT_TRUE(url) << row.name;
    EXPECT_EQ(url->absoluteString(),
              Url::parse(row.uri) ? std::string(row.uri) : std::string(row.expected))
        << row.name;
  }
  EXPECT_EQ(Url::parseLenient("https://a.test/?q=a|b")->host(), "a.test");
  EXPECT_FALSE(Url::parseLenient(""));
}

TEST(UrlTest, AppendsOneComponentWithExactlyOneSlash) {
  struct Row {
    const char* base;
    const char* component;
    const char* expected;
  };
  const Row rows[] = {
      {"https://a.test", "login", "https://a.test/login"},
      {"https://a.test/", "login", "https://a.test/login"},
      {"https://a.test/base", "login", "https://a.test/base/login"},
      {"https://a.test/base/?x=1#f", "login", "https://a.test/base/login"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Url::parse(row.base)->appendingPathComponent(row.component).absoluteString(),
              row.expected)
        << row.base;
  }
}

} // namespace
} // namespace velmora
