#include "gtk/last_copy_store.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <gio/gio.h>
#include <glib/gstdio.h>

namespace velmora::gtk {
namespace {

constexpr const char* indexName = "index.json";

// A copy's write under way: what to call when it ends, on the main thread.
struct Write {
  std::function<void(bool)> done;
  GBytesPtr bytes;
};

void onWritten(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Write> write(static_cast<Write*>(data));
  GErrorPtr error;
  const bool written =
      g_file_replace_contents_finish(G_FILE(source), result, nullptr, out(error)) != 0;
  if (!written)
    g_debug("a last copy was not saved: %s", error ? error->message : "no reason given");
  write->done(written);
}

} // namespace

std::filesystem::path lastCopyFolder() {
  return std::filesystem::path(g_get_user_cache_dir()) / "velmora" / "last-copy";
}

bool FileLastCopyStore::makeFolder() const {
  if (g_mkdir_with_parents(folder_.c_str(), 0700) != 0) {
    g_debug("cannot make %s: %s", folder_.c_str(), g_strerror(errno));
    return false;
  }
  // One an older run or another program left open is closed again.
  g_chmod(folder_.c_str(), 0700);
  return true;
}

std::optional<std::string> FileLastCopyStore::readIndex() {
  GCharPtr contents;
  gsize length = 0;
  if (!g_file_get_contents((folder_ / indexName).c_str(), out(contents), &length, nullptr))
    return std::nullopt;
  return std::string(contents.get(), length);
}

void FileLastCopyStore::writeIndex(const std::string& text) {
  if (!makeFolder())
    return;
  GErrorPtr error;
  // Written beside the old index and renamed over it: a crash leaves one
  // or the other whole. The process's mask makes the file 0600.
  if (!g_file_set_contents_full((folder_ / indexName).c_str(), text.data(),
                                static_cast<gssize>(text.size()), G_FILE_SET_CONTENTS_CONSISTENT,
                                0600, out(error)))
    g_debug("the last copies' index was not saved: %s", error->message);
}

void FileLastCopyStore::writeCopy(const std::string& name, std::string bytes,
                                  std::function<void(bool)> done) {
  if (!makeFolder()) {
    done(false);
    return;
  }
  auto* owned = new std::string(std::move(bytes));
  auto* write = new Write{
      std::move(done), GBytesPtr(g_bytes_new_with_free_func(
                           owned->data(), owned->size(),
                           [](gpointer text) { delete static_cast<std::string*>(text); }, owned))};
  auto file = GObjectPtr<GFile>::adopt(g_file_new_for_path((folder_ / name).c_str()));
  // GIO writes on a worker thread of its own, beside the old file, and
  // renames the new one over it once it is whole; PRIVATE makes it 0600.
  g_file_replace_contents_bytes_async(
      file.get(), write->bytes.get(), nullptr, FALSE,
      static_cast<GFileCreateFlags>(G_FILE_CREATE_PRIVATE | G_FILE_CREATE_REPLACE_DESTINATION),
      nullptr, onWritten, write);
}

void FileLastCopyStore::removeCopy(const std::string& name) {
  if (g_remove((folder_ / name).c_str()) != 0 && errno != ENOENT)
    g_debug("a last copy was not removed: %s", g_strerror(errno));
}

std::vector<std::string> FileLastCopyStore::copyNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".mhtml"))
      names.push_back(name);
  }
  return names;
}

void FileLastCopyStore::removeAll() {
  std::error_code error;
  // The folder goes with everything in it, leftovers of a cut-short write
  // included; it is made again for the next copy.
  std::filesystem::remove_all(folder_, error);
  if (error)
    g_debug("the last copies were not all removed: %s", error.message().c_str());
}

} // namespace velmora::gtk
