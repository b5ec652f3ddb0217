// How request paths become fixture files. Pages are plain files under the
// fixtures folder, so adding a page means adding a file; this module is the
// one place that decides which file a path may reach, and it never reaches
// outside the folder it is given.
//
// Layout of the fixtures folder:
//   NAME.html, static/...   public pages and assets, served at /NAME, /static/...
//   index.html              the site's root page, served at /
//   _workspace/NAME.html    signed-in pages: content only, wrapped in
//                           _workspace/_layout.html and served at /NAME
//   _foreign/...            the whole site of the "foreign" mode
//   _*.html                 pages the server uses itself (404 page, variants)
// A name that starts with "_" or "." is never served by path.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::sample {

// Decodes %XX escapes. Gives nothing for a malformed escape or an encoded
// NUL byte.
[[nodiscard]] std::optional<std::string> percentDecode(std::string_view text);

// The file below `root` that the request path names, or nothing when the
// path may not name a file. The path is as received (percent-encoded). "/"
// names index.html; a last segment without an extension gets ".html"; one
// trailing slash is ignored. Every segment must be non-empty, made of
// letters, digits, '.', '-' and '_', and must not start with '.' or '_';
// that rules out "..", hidden files and the server's own templates, however
// they were encoded.
[[nodiscard]] std::optional<std::filesystem::path> fixturePath(const std::filesystem::path& root,
                                                               std::string_view requestPath);

// The contents of `file` when it is a regular file that lies inside `root`
// once symbolic links are resolved; nothing otherwise (missing, a folder,
// a link leading out, unreadable, or unreasonably large).
[[nodiscard]] std::optional<std::string> readFixture(const std::filesystem::path& root,
                                                     const std::filesystem::path& file);

// The Content-Type header for a fixture, chosen by its extension.
[[nodiscard]] std::string_view contentTypeFor(const std::filesystem::path& file);

// Replaces each "{{key}}" in `text` with `value(key)`. A "{{" without a
// closing "}}" is left as it is.
[[nodiscard]] std::string
expandTemplate(std::string_view text,
               const std::function<std::string(std::string_view key)>& value);

} // namespace velmora::sample
