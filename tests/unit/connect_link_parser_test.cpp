// Reading connect links: which links count, and what they carry.
#include "connection/connect_link_parser.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ConnectLinkParserTest, AcceptsTheSchemeAndTargetInAnyCaseAndForm) {
  struct Row {
    int line;
    const char* link;
    bool accepted;
  } rows[] = {
      {__LINE__, "haulvane://connect/ignored/path?server=example.test", true},
      {__LINE__, "haulvane:connect?server=example.test", true},
      {__LINE__, "haulvane:///connect/?server=example.test", true},
      {__LINE__, "haulvane:%63onnect", true},
      {__LINE__, "haulvane://settings?server=example.test", false},
      {__LINE__, "otherapp://connect?server=example.test", false},
      {__LINE__, "haulvane://connector?server=example.test", false},
      {__LINE__, "haulvane:///?server=example.test", false},
      {__LINE__, "haulvane:connect/more", false},
      {__LINE__, "connect?server=example.test", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(parseConnectLink(*Url::parse(row.link)).has_value(), row.accepted)
        << "line " << row.line;
}

TEST(ConnectLinkParserTest, TakesTheFirstOfEachItemPercentDecoded) {
  struct Row {
    int line;
    const char* link;
    std::string server;
    std::optional<std::string> email;
  } rows[] = {
      {__LINE__, "haulvane://connect?server=example.test&email=dispatch%40example.test",
       "example.test", "dispatch@example.test"},
      {__LINE__, "haulvane://connect?server=example.test&server=other.test&email=a&email=b",
       "example.test", "a"},
      {__LINE__, "haulvane://connect?server=http%3A%2F%2Fexample.test%2Fapp%3Fx%3D1",
       "http://example.test/app?x=1", std::nullopt},
      {__LINE__, "haulvane://connect?SERVER=example.test&Email=a%40b.test", "", std::nullopt},
      {__LINE__, "haulvane://connect?server&email", "", std::nullopt},
      {__LINE__, "haulvane://connect?server=&email=", "", ""},
      {__LINE__, "haulvane://connect?email=first.last+tag%40example.test", "",
       "first.last+tag@example.test"},
      {__LINE__, "haulvane://connect?server=%20example.test%0A", " example.test\n", std::nullopt},
      {__LINE__, "haulvane://connect?server=%FF%FE&email=%C3%28", "", std::nullopt},
      {__LINE__, "haulvane://connect", "", std::nullopt},
      {__LINE__, "haulvane://connect?x=1&server=late.test#server=fragment.test", "late.test",
       std::nullopt},
      // An empty query before a fragment once made the item reader run off the end.
      {__LINE__, "haulvane:/connect/?#e", "", std::nullopt},
      {__LINE__, "haulvane://connect?#server=fragment.test", "", std::nullopt},
      {__LINE__, "haulvane://connect?server=a.test&#x", "a.test", std::nullopt},
      {__LINE__, "haulvane://connect?&&server=a.test=b&", "a.test=b", std::nullopt},
  };
  for (const auto& row : rows) {
    const auto link = parseConnectLink(*Url::parse(row.link));
    ASSERT_TRUE(link) << "line " << row.line;
    EXPECT_EQ(link->server, row.server) << "line " << row.line;
    EXPECT_EQ(link->email, row.email) << "line " << row.line;
  }
}

} // namespace
} // namespace velmora
