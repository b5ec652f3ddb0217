// The application's own loads, written as the engine reports them, so they
// are recognised when the engine asks about them.
#include "platform/gtk/engine_url.hpp"

#include <gtest/gtest.h>

namespace velmora::gtk {
namespace {

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
