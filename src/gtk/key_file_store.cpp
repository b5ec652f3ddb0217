#include "gtk/key_file_store.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <glib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace velmora::gtk {
namespace {

struct Loaded {
  GKeyFilePtr keyFile{g_key_file_new()};
  bool missing = false;
  bool corrupt = false;
};

// Reads a damaged file line by line, keeping every "key=value" that still
// stands under a "[group]" header, so one bad line does not cost the rest.
void salvage(const std::filesystem::path& file, GKeyFile* into) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  std::string group;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      group = line.substr(1, line.size() - 2);
      continue;
    }
    const auto equals = line.find('=');
    if (group.empty() || equals == std::string::npos || equals == 0)
      continue;
    std::string key = line.substr(0, equals);
    while (!key.empty() && key.back() == ' ')
      key.pop_back();
    std::string value = line.substr(equals + 1);
    while (!value.empty() && value.front() == ' ')
      value.erase(0, 1);
    if (g_utf8_validate(key.c_str(), -1, nullptr) && g_utf8_validate(value.c_str(), -1, nullptr))
      g_key_file_set_value(into, group.c_str(), key.c_str(), value.c_str());
  }
}

Loaded load(const std::filesystem::path& file) {
  Loaded loaded;
  GErrorPtr error;
  if (g_key_file_load_from_file(loaded.keyFile.get(), file.c_str(), G_KEY_FILE_KEEP_COMMENTS,
                                out(error)))
    return loaded;
  if (g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT)) {
    loaded.missing = true;
    return loaded;
  }
  loaded.corrupt = true;
  loaded.keyFile.reset(g_key_file_new());
  salvage(file, loaded.keyFile.get());
  return loaded;
}

} // namespace

KeyFileStore::KeyFileStore(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path KeyFileStore::defaultFile() {
  return std::filesystem::path(g_get_user_config_dir()) / "velmora" / "settings.ini";
}

std::optional<std::string> KeyFileStore::get(std::string_view group, std::string_view key) const {
  Loaded loaded = load(file_);
  const std::string g(group), k(key);
  GCharPtr value(g_key_file_get_string(loaded.keyFile.get(), g.c_str(), k.c_str(), nullptr));
  if (!value)
    return std::nullopt;
  return std::string(value.get());
}

bool KeyFileStore::set(std::string_view group, std::string_view key, const std::string& value) {
  return set(group, Values{{std::string(key), value}});
}

bool KeyFileStore::set(std::string_view group, const Values& values) {
  Loaded loaded = load(file_);
  std::error_code ignored;
  std::filesystem::create_directories(file_.parent_path(), ignored);
  if (loaded.corrupt) {
    // Keep the damaged original for the user before it is replaced.
    std::filesystem::path copy = file_;
    copy += ".corrupt";
    std::error_code error;
    std::filesystem::copy_file(file_, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error)
      return false;
  }
  const std::string g(group);
  for (const auto& [key, value] : values)
    g_key_file_set_string(loaded.keyFile.get(), g.c_str(), key.c_str(), value.c_str());
  gsize length = 0;
  GCharPtr data(g_key_file_to_data(loaded.keyFile.get(), &length, nullptr));
  // Written to a temporary file, synced and renamed over the old one. The
  // file is the user's alone whatever the process's mask: a server address
  // says which company one works for.
  GErrorPtr error;
  if (!g_file_set_contents_full(file_.c_str(), data.get(), static_cast<gssize>(length),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0600, out(error))) {
    g_debug("could not write %s: %s", file_.c_str(), error->message);
    return false;
  }
  return true;
}

std::optional<std::string> KeyFileSettings::stringForKey(std::string_view key) const {
  return store_.get("Settings", key);
}

bool KeyFileSettings::setString(std::string_view key, const std::string& value) {
  return store_.set("Settings", key, value);
}

std::vector<std::filesystem::path> KeyFileSettings::defaultSystemFiles() {
  std::vector<std::filesystem::path> files;
  for (const char* const* dir = g_get_system_config_dirs(); dir && *dir; ++dir)
    files.push_back(std::filesystem::path(*dir) / "velmora" / "settings.ini");
  return files;
}

std::map<std::string, std::string> KeyFileSettings::readSystemFiles() const {
  std::map<std::string, std::string> values;
  for (const auto& file : systemFiles_) {
    GKeyFilePtr keyFile(g_key_file_new());
    GErrorPtr error;
    if (!g_key_file_load_from_file(keyFile.get(), file.c_str(), G_KEY_FILE_NONE, out(error))) {
      if (!g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT))
        g_debug("ignored the machine settings in %s: %s", file.c_str(), error->message);
      continue;
    }
    const GStrvPtr keys(g_key_file_get_keys(keyFile.get(), "Settings", nullptr, nullptr));
    for (char** key = keys.get(); key && *key; ++key) {
      GCharPtr value(g_key_file_get_string(keyFile.get(), "Settings", *key, nullptr));
      if (value)
        values.try_emplace(*key, value.get());
    }
  }
  return values;
}

std::optional<std::string> KeyFileSettings::systemStringForKey(std::string_view key) const {
  if (!system_)
    system_ = readSystemFiles();
  const auto found = system_->find(std::string(key));
  if (found == system_->end())
    return std::nullopt;
  return found->second;
}

} // namespace velmora::gtk
