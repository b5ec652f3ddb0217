// Session ids of the sample platform, kept in memory and in a small file.
#include "sessions.hpp"

#include "glib_owners/glib_ptr.hpp"

#include <glib.h>

#include <algorithm>
#include <random>

namespace velmora::sample {
namespace {

constexpr std::size_t kIdBytes = 16;

bool isWellFormedId(std::string_view id) {
  return id.size() == kIdBytes * 2 && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

} // namespace

std::optional<std::string> cookieValue(std::string_view cookieHeader, std::string_view name) {
  while (!cookieHeader.empty()) {
    const auto semicolon = cookieHeader.find(';');
    const auto pair = trim(cookieHeader.substr(0, semicolon));
    cookieHeader = semicolon == std::string_view::npos ? std::string_view{}
                                                       : cookieHeader.substr(semicolon + 1);

    const auto eq = pair.find('=');
    if (eq != std::string_view::npos && trim(pair.substr(0, eq)) == name) {
      auto value = trim(pair.substr(eq + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

SessionStore::SessionStore(std::optional<std::filesystem::path> file) : file_(std::move(file)) {
  if (!file_) {
    return;
  }
  gchar* raw = nullptr;
  if (!g_file_get_contents(file_->c_str(), &raw, nullptr, nullptr)) {
    return; // first run: nothing saved yet
  }
  const GCharPtr contents(raw);
  std::string_view rest = contents.get();
  while (!rest.empty()) {
    const auto newline = rest.find('\n');
    const auto line = trim(rest.substr(0, newline));
    rest = newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
    if (isWellFormedId(line)) {
      ids_.emplace(line);
    }
  }
}

std::string SessionStore::create() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device device;
  std::string id;
  for (std::size_t i = 0; i < kIdBytes; ++i) {
    const auto byte = static_cast<unsigned>(device()) & 0xffU;
    id += kHex[byte >> 4];
    id += kHex[byte & 0xfU];
  }
  ids_.insert(id);
  save();
  return id;
}

bool SessionStore::isValid(std::string_view id) const {
  return ids_.find(id) != ids_.end();
}

void SessionStore::remove(std::string_view id) {
  if (const auto it = ids_.find(id); it != ids_.end()) {
    ids_.erase(it);
    save();
  }
}

void SessionStore::clear() {
  ids_.clear();
  save();
}

void SessionStore::save() const {
  if (!file_) {
    return;
  }
  std::string contents;
  for (const auto& id : ids_) {
    contents += id;
    contents += '\n';
  }
  // Written whole and renamed into place, so a reader never sees half a file.
  // A failure only costs persistence, which is not worth stopping the server.
  GErrorPtr error;
  if (!g_file_set_contents(file_->c_str(), contents.c_str(), static_cast<gssize>(contents.size()),
                           out(error))) {
    g_printerr("velmora-sample-platform: cannot save sessions: %s\n", error->message);
  }
}

} // namespace velmora::sample
