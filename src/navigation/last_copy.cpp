#include "navigation/last_copy.hpp"

#include "navigation/navigation_policy.hpp"
#include "platform/text.hpp"

#include <boost/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>

namespace velmora {
namespace {

constexpr std::string_view copyHost = "last-copy";

std::uint64_t fnv1a(std::string_view text, std::uint64_t hash = 0xcbf29ce484222325ull) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string hex(std::uint64_t value) {
  std::array<char, 17> text{};
  std::snprintf(text.data(), text.size(), "%016llx", static_cast<unsigned long long>(value));
  return text.data();
}

// The archive's lines one by one, each without its line break ("\r\n" or
// "\n").
template <class Visit> void forEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r'))
      line.remove_suffix(1);
    if (!visit(line))
      return;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

// The header block of a MIME message: everything before the first empty
// line. A header continued on the next line (which starts with white space)
// stays part of it.
std::string_view headerBlock(std::string_view archive) {
  for (const std::string_view blank : {std::string_view("\r\n\r\n"), std::string_view("\n\n")}) {
    if (const auto end = archive.find(blank); end != std::string_view::npos)
      return archive.substr(0, end);
  }
  return archive;
}

// The multipart boundary the archive's headers declare; none without one.
std::optional<std::string> boundaryOf(std::string_view archive) {
  const std::string_view headers = headerBlock(archive);
  for (std::size_t at = 0; at < headers.size(); ++at) {
    if (!startsWithIgnoringAsciiCase(headers.substr(at), "boundary="))
      continue;
    std::string_view value = headers.substr(at + 9);
    if (value.starts_with('"')) {
      value.remove_prefix(1);
      const auto close = value.find('"');
      if (close == std::string_view::npos)
        return std::nullopt;
      return std::string(value.substr(0, close));
    }
    const auto end = value.find_first_of(" \t\r\n;");
    return std::string(value.substr(0, end));
  }
  return std::nullopt;
}

bool sameServer(const LastCopyIndex& index, const Url& server) {
  return index.server == server.absoluteString();
}

} // namespace

std::optional<std::string> copyPath(const std::optional<Url>& page, const Url& server) {
  if (!page || !isPlatformOrigin(page, server) || page->hasRootPath())
    return std::nullopt;
  std::string path = page->encodedPath();
  while (path.size() > 1 && path.ends_with('/'))
    path.pop_back();
  if (!path.starts_with('/'))
    return std::nullopt;
  return path;
}

bool isSignInPage(const std::optional<Url>& page, const Url& server) {
  const auto path = copyPath(page, server);
  return path && path->ends_with("/login");
}

bool shouldKeepCopy(const std::optional<Url>& page, const Url& server, bool storingForbidden) {
  return !storingForbidden && copyPath(page, server) && !isSignInPage(page, server);
}

bool forbidsStoring(std::string_view cacheControl) {
  while (!cacheControl.empty()) {
    const auto comma = cacheControl.find(',');
    std::string_view directive = trimmedAscii(cacheControl.substr(0, comma));
    directive = trimmedAscii(directive.substr(0, directive.find('=')));
    if (equalsIgnoringAsciiCase(directive, "no-store"))
      return true;
    cacheControl.remove_prefix(comma == std::string_view::npos ? cacheControl.size() : comma + 1);
  }
  return false;
}

Url copyAddress(std::string_view path) {
  std::string text = std::string(lastCopyScheme) + "://" + std::string(copyHost);
  if (!path.starts_with('/'))
    text += '/';
  text += path;
  if (auto url = Url::parse(text))
    return *url;
  return *Url::parse(std::string(lastCopyScheme) + "://" + std::string(copyHost) + "/");
}

std::optional<std::string> pathOfCopyAddress(const std::optional<Url>& address) {
  if (!address || !address->scheme() ||
      !equalsIgnoringAsciiCase(*address->scheme(), lastCopyScheme) ||
      address->host() != std::string(copyHost))
    return std::nullopt;
  std::string path = address->encodedPath();
  while (path.size() > 1 && path.ends_with('/'))
    path.pop_back();
  if (path.size() < 2 || !path.starts_with('/'))
    return std::nullopt;
  return path;
}

bool isCopyAddress(const std::optional<Url>& address) {
  return address && address->scheme() &&
         equalsIgnoringAsciiCase(*address->scheme(), lastCopyScheme);
}

std::string copyFileName(std::string_view path) {
  return hex(fnv1a(path)) + ".mhtml";
}

std::optional<LastCopy> copyFor(const LastCopyIndex& index, std::string_view path) {
  const auto found =
      std::ranges::find_if(index.copies, [&](const LastCopy& copy) { return copy.path == path; });
  if (found == index.copies.end())
    return std::nullopt;
  return *found;
}

std::optional<LastCopy> copyToOffer(const LastCopyIndex& index,
                                    const std::optional<Url>& failedPage, const Url& server) {
  if (!sameServer(index, server))
    return std::nullopt;
  if (const auto path = copyPath(failedPage, server)) {
    if (auto copy = copyFor(index, *path))
      return copy;
  }
  if (const auto dashboard = copyPath(server.appendingPathComponent("dashboard"), server))
    return copyFor(index, *dashboard);
  return std::nullopt;
}

LastCopyIndex withCopy(LastCopyIndex index, LastCopy copy, std::vector<std::string>& dropped) {
  std::erase_if(index.copies, [&](const LastCopy& old) { return old.path == copy.path; });
  index.copies.insert(index.copies.begin(), std::move(copy));
  std::ranges::stable_sort(index.copies, std::ranges::greater{}, &LastCopy::savedAt);
  std::vector<LastCopy> kept;
  std::uint64_t bytes = 0;
  for (LastCopy& candidate : index.copies) {
    if (kept.size() < lastCopiesKept && candidate.size <= lastCopiesBytes - bytes) {
      bytes += candidate.size;
      kept.push_back(std::move(candidate));
    } else {
      dropped.push_back(candidate.path);
    }
  }
  index.copies = std::move(kept);
  return index;
}

CopyNavigationOutcome copyNavigationOutcome(const std::optional<Url>& target, FrameTarget frame,
                                            bool userGesture, bool historyStep, bool onCopy,
                                            const LastCopyIndex& index, const Url& server) {
  if (isCopyAddress(target)) {
    if (frame != FrameTarget::mainFrame && !historyStep)
      return {CopyNavigation::ignore};
    const auto path = pathOfCopyAddress(target);
    if (path && sameServer(index, server) && copyFor(index, *path))
      return {CopyNavigation::allow};
    if (!path)
      return {CopyNavigation::ignore};
    return {CopyNavigation::errorScreen, server.appendingPathComponent(path->substr(1))};
  }
  if (!onCopy || historyStep)
    return {CopyNavigation::notACopy};
  if (frame == FrameTarget::subframe)
    return {CopyNavigation::ignore};
  if (!userGesture) {
    // The application's own load leaves the copy; a page cannot start one.
    return {frame == FrameTarget::mainFrame ? CopyNavigation::notACopy : CopyNavigation::ignore};
  }
  if (isPlatformOrigin(target, server)) {
    const auto path = copyPath(target, server);
    if (path && sameServer(index, server) && copyFor(index, *path)) {
      std::string address = copyAddress(*path).absoluteString();
      if (const auto& url = target->components(); url.has_fragment())
        address += "#" + std::string(url.encoded_fragment());
      return {CopyNavigation::showCopy, Url::parse(address).value_or(copyAddress(*path))};
    }
    return {CopyNavigation::errorScreen, target};
  }
  if (navigationActionOutcome(target, FrameTarget::mainFrame, true, server) ==
      NavigationOutcome::openInBrowser)
    return {CopyNavigation::openInBrowser, target};
  return {CopyNavigation::ignore};
}

std::string copyTimeLabel(const std::tm& saved, const std::tm& now) {
  static constexpr std::array<const char*, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<char, 32> text{};
  if (saved.tm_year == now.tm_year && saved.tm_yday == now.tm_yday) {
    std::snprintf(text.data(), text.size(), "%02d:%02d", saved.tm_hour, saved.tm_min);
  } else {
    std::snprintf(text.data(), text.size(), "%d %s %02d:%02d", saved.tm_mday,
                  months[static_cast<std::size_t>(std::clamp(saved.tm_mon, 0, 11))], saved.tm_hour,
                  saved.tm_min);
  }
  return text.data();
}

std::string archiveFingerprint(std::string_view archive) {
  const auto boundary = boundaryOf(archive);
  std::uint64_t hash = 0xcbf29ce484222325ull;
  bool inHeaders = true;
  forEachLine(archive, [&](std::string_view line) {
    if (inHeaders && line.empty())
      inHeaders = false;
    if (inHeaders &&
        (startsWithIgnoringAsciiCase(line, "Date:") || startsWithIgnoringAsciiCase(line, "\t") ||
         startsWithIgnoringAsciiCase(line, "Content-Type:")))
      return true;
    if (boundary && !boundary->empty() && line.find(*boundary) != std::string_view::npos)
      line = "--";
    hash = fnv1a(line, hash);
    hash = fnv1a("\n", hash);
    return true;
  });
  return hex(hash);
}

bool looksLikeArchive(std::string_view archive) {
  const std::string_view headers = headerBlock(archive);
  for (std::size_t at = 0; at < headers.size(); ++at) {
    if (startsWithIgnoringAsciiCase(headers.substr(at), "multipart/related"))
      return boundaryOf(archive).has_value();
  }
  return false;
}

std::string withDoctype(std::string archive) {
  const auto boundary = boundaryOf(archive);
  if (!boundary || boundary->empty())
    return archive;
  const std::string_view text(archive);
  const auto part = text.find("--" + *boundary, headerBlock(text).size());
  if (part == std::string_view::npos)
    return archive;
  const std::string_view headers = headerBlock(text.substr(part));
  const auto bodyStart = part + headers.size();
  const std::string_view rest = text.substr(bodyStart);
  const std::size_t blank = rest.starts_with("\r\n\r\n") ? 4 : rest.starts_with("\n\n") ? 2 : 0;
  bool html = false;
  for (std::size_t at = 0; at < headers.size(); ++at)
    html = html || startsWithIgnoringAsciiCase(headers.substr(at), "Content-Type: text/html");
  if (!html || blank == 0)
    return archive;
  const std::string_view body = trimmedAscii(rest.substr(blank));
  if (startsWithIgnoringAsciiCase(body, "<!doctype"))
    return archive;
  archive.insert(bodyStart + blank, "<!DOCTYPE html>\r\n");
  return archive;
}

std::vector<std::string> archiveLocations(std::string_view archive) {
  std::vector<std::string> locations;
  const auto boundary = boundaryOf(archive);
  if (!boundary || boundary->empty())
    return locations;
  const std::string delimiter = "--" + *boundary;
  // Only the headers of each part count: a line in a page's text that looks
  // like a header must not widen what a copy may ask for.
  bool inPartHeaders = false;
  forEachLine(archive, [&](std::string_view line) {
    if (line.starts_with(delimiter)) {
      inPartHeaders = true;
      return true;
    }
    if (!inPartHeaders)
      return true;
    if (line.empty()) {
      inPartHeaders = false;
      return true;
    }
    if (startsWithIgnoringAsciiCase(line, "Content-Location:")) {
      const std::string_view value = trimmedAscii(line.substr(17));
      // An address holds no white space or control characters; a value
      // that does names nothing a copy could ask for.
      const bool oneWord = std::ranges::none_of(
          value, [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
      if (!value.empty() && oneWord && std::ranges::find(locations, value) == locations.end())
        locations.emplace_back(value);
    }
    return true;
  });
  return locations;
}

std::string serializeCopyIndex(const LastCopyIndex& index) {
  boost::json::array copies;
  for (const LastCopy& copy : index.copies) {
    copies.push_back(boost::json::object{{"path", copy.path},
                                         {"address", copy.address},
                                         {"savedAt", copy.savedAt},
                                         {"size", copy.size},
                                         {"fingerprint", copy.fingerprint}});
  }
  return boost::json::serialize(boost::json::object{{"server", index.server}, {"copies", copies}});
}

LastCopyIndex parseCopyIndex(std::string_view text) {
  LastCopyIndex index;
  boost::system::error_code error;
  const boost::json::value value = boost::json::parse(text, error);
  const auto* object = error ? nullptr : value.if_object();
  if (!object)
    return index;
  if (const auto* server = object->if_contains("server"); server && server->is_string())
    index.server = std::string(server->get_string());
  const auto* copies = object->if_contains("copies");
  if (!copies || !copies->is_array())
    return index;
  for (const auto& entry : copies->get_array()) {
    const auto* fields = entry.if_object();
    if (!fields)
      continue;
    const auto* path = fields->if_contains("path");
    const auto* address = fields->if_contains("address");
    const auto* savedAt = fields->if_contains("savedAt");
    const auto* size = fields->if_contains("size");
    const auto* fingerprint = fields->if_contains("fingerprint");
    if (!path || !path->is_string() || !address || !address->is_string() || !savedAt ||
        !savedAt->is_int64() || !size || !(size->is_uint64() || size->is_int64()) ||
        (size->is_int64() && size->get_int64() < 0))
      continue;
    LastCopy copy{
        .path = std::string(path->get_string()),
        .address = std::string(address->get_string()),
        .savedAt = savedAt->get_int64(),
        .size =
            size->is_uint64() ? size->get_uint64() : static_cast<std::uint64_t>(size->get_int64()),
        .fingerprint = fingerprint && fingerprint->is_string()
                           ? std::string(fingerprint->get_string())
                           : std::string(),
    };
    if (!copy.path.starts_with('/') || copyFor(index, copy.path))
      continue;
    index.copies.push_back(std::move(copy));
  }
  return index;
}

} // namespace velmora
