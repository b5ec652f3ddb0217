// Faults from outside, met with the real HTTP client and the real settings
// file: a host that does not resolve, a server whose certificate nobody
// vouches for, and a settings file that is damaged. Each must end in a
// clear message, and nothing stored may be lost on the way.
#include "http_controller.hpp"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::HttpController;
using testing::SamplePlatform;
using testing::selfSignedTls;
using testing::TempHome;

// A resolver that knows no names at all, so a look-up of ".invalid" fails
// here and no query ever leaves the machine. Address literals never reach
// a resolver, so the loopback sample platform stays reachable.
struct NoNamesResolver {
  GResolver parent;
};
struct NoNamesResolverClass {
  GResolverClass parent;
};
G_DEFINE_TYPE(NoNamesResolver, no_names_resolver, G_TYPE_RESOLVER)

GError* notFound(const char* name) {
  return g_error_new(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, "Unknown host %s", name);
}
GList* lookupSync(GResolver*, const char* name, GCancellable*, GError** error) {
  *error = notFound(name);
  return nullptr;
}
GList* lookupWithFlagsSync(GResolver*, const char* name, GResolverNameLookupFlags, GCancellable*,
                           GError** error) {
  *error = notFound(name);
  return nullptr;
}
void lookupWithFlagsAsync(GResolver* resolver, const char* name, GResolverNameLookupFlags,
                          GCancellable* cancellable, GAsyncReadyCallback callback, gpointer data) {
  GTask* task = g_task_new(resolver, cancellable, callback, data);
  g_task_return_error(task, notFound(name));
  g_object_unref(task);
}
void lookupAsync(GResolver* resolver, const char* name, GCancellable* cancellable,
                 GAsyncReadyCallback callback, gpointer data) {
  lookupWithFlagsAsync(resolver, name, G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT, cancellable, callback,
                       data);
}
GList* lookupFinish(GResolver*, GAsyncResult* result, GError** error) {
  return static_cast<GList*>(g_task_propagate_pointer(G_TASK(result), error));
}
void no_names_resolver_init(NoNamesResolver*) {}
void no_names_resolver_class_init(NoNamesResolverClass* klass) {
  GResolverClass* resolver = G_RESOLVER_CLASS(klass);
  resolver->lookup_by_name = lookupSync;
  resolver->lookup_by_name_async = lookupAsync;
  resolver->lookup_by_name_finish = lookupFinish;
  resolver->lookup_by_name_with_flags = lookupWithFlagsSync;
  resolver->lookup_by_name_with_flags_async = lookupWithFlagsAsync;
  resolver->lookup_by_name_with_flags_finish = lookupFinish;
}

// Puts the resolver in place for one test and the usual one back after.
class NoNamesResolved {
public:
  NoNamesResolved() : previous_(g_resolver_get_default()) {
    GResolver* resolver = G_RESOLVER(g_object_new(no_names_resolver_get_type(), nullptr));
    g_resolver_set_default(resolver);
    g_object_unref(resolver);
  }
  ~NoNamesResolved() {
    g_resolver_set_default(previous_);
    g_object_unref(previous_);
  }

private:
  GResolver* previous_;
};

std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(FaultMatrixTest, AHostThatDoesNotResolveIsUnreachableAndNothingIsStored) {
  NoNamesResolved resolver;
  HttpController window;
  window.fake.alerts.answer(alertFirstButtonReturn, "dispatch.invalid");
  const Alert& alert = window.nextAlert();
  EXPECT_EQ(alert.messageText, "Could not connect");
  EXPECT_TRUE(alert.informativeText.starts_with("Could not reach dispatch.invalid: "))
      << alert.informativeText;
  window.fake.alerts.answer();
  EXPECT_FALSE(std::filesystem::exists(window.home.settingsFile()));
  EXPECT_TRUE(window.loads().empty());
}

TEST(FaultMatrixTest, ASelfSignedCertificateIsNeverTrusted) {
  TempHome keys;
  SamplePlatform platform(selfSignedTls(keys));
  ASSERT_TRUE(platform.url().starts_with("https://")) << platform.url();

  HttpController window;
  window.fake.alerts.answer(alertFirstButtonReturn, platform.url());
  const Alert& alert = window.nextAlert();
  EXPECT_EQ(alert.messageText, "Could not connect");
  EXPECT_TRUE(alert.informativeText.starts_with("Could not reach 127.0.0.1: "))
      << alert.informativeText;
  EXPECT_TRUE(platform.requests().empty()) << "no request goes over an untrusted connection";
  window.fake.alerts.answer();
  EXPECT_FALSE(std::filesystem::exists(window.home.settingsFile()));
  EXPECT_TRUE(window.loads().empty());
}

TEST(FaultMatrixTest, ADamagedSettingsFileKeepsItsAddressAndACopyOfItself) {
  const std::string address = "http://127.0.0.1:9";
  struct Row {
    const char* name;
    std::string text;
  } rows[] = {
      {"a line that is no setting", "[Settings]\nserverURL=" + address + "\nthis is not a key\n"},
      {"cut off in a group header", "[Settings]\nserverURL=" + address + "\n[Wind"},
      {"binary bytes after it",
       "[Settings]\nserverURL=" + address + "\n" + std::string("\xff\xfe\0\x01=\x80", 6) + "\n"},
      {"a second group that repeats", "[Settings]\nserverURL=" + address + "\n[Settings\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HttpController window(row.text);
    // The window starts on the stored platform as if nothing were wrong.
    EXPECT_EQ(window.loads(), std::vector<std::string>{address + "/login"});
    EXPECT_EQ(window.fake.alerts.current(), nullptr);

    // The first write keeps the damaged original beside the new file.
    ASSERT_TRUE(window.store.set("Settings", "windowWidth", "900"));
    auto copy = window.home.settingsFile();
    copy += ".corrupt";
    EXPECT_EQ(readBytes(copy), row.text);
    EXPECT_EQ(window.store.get("Settings", "serverURL"), address);
    EXPECT_EQ(window.store.get("Settings", "windowWidth"), "900");
  }
}

TEST(FaultMatrixTest, ASettingsFileThatCannotBeReplacedIsLeftAsItWas) {
  const std::string text = "[Settings]\nserverURL=http://127.0.0.1:9\n[broken";
  HttpController window(text);
  // Where the copy should go, a folder holds the name: no copy, so no write.
  auto copy = window.home.settingsFile();
  copy += ".corrupt";
  std::filesystem::create_directories(copy / "occupied");
  EXPECT_FALSE(window.store.set("Settings", "serverURL", "https://other.test"));
  EXPECT_EQ(readBytes(window.home.settingsFile()), text);
}

} // namespace
} // namespace velmora
