// Safe mapping from request paths to fixture files, and the small template
// expansion the workspace pages use.
#include "fixtures.hpp"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace velmora::sample {
namespace {

constexpr std::size_t kMaxSegment = 255;
constexpr std::uintmax_t kMaxFixtureBytes = 64U * 1024U * 1024U;

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool isAllowedSegment(std::string_view segment) {
  if (segment.empty() || segment.size() > kMaxSegment || segment.front() == '.' ||
      segment.front() == '_') {
    return false;
  }
  return std::all_of(segment.begin(), segment.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

// True when `inner` is `outer` or lies below it; both must be canonical.
bool isWithin(const std::filesystem::path& outer, const std::filesystem::path& inner) {
  return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) {
      return std::nullopt;
    }
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) {
      return std::nullopt;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::optional<std::filesystem::path> fixturePath(const std::filesystem::path& root,
                                                 std::string_view requestPath) {
  if (requestPath.empty() || requestPath.front() != '/') {
    return std::nullopt;
  }
  if (requestPath == "/") {
    return root / "index.html";
  }
  requestPath.remove_prefix(1);
  if (requestPath.back() == '/') {
    requestPath.remove_suffix(1);
  }
  const auto decoded = percentDecode(requestPath);
  if (!decoded) {
    return std::nullopt;
  }

  std::filesystem::path file = root;
  std::string_view rest = *decoded;
  std::string_view last;
  while (true) {
    const auto slash = rest.find('/');
    const auto segment = rest.substr(0, slash);
    if (!isAllowedSegment(segment)) {
      return std::nullopt;
    }
    last = segment;
    if (slash == std::string_view::npos) {
      break;
    }
    file /= segment;
    rest.remove_prefix(slash + 1);
  }
  std::string name(last);
  if (name.find('.') == std::string::npos) {
    name += ".html";
  }
  return file / name;
}

std::optional<std::string> readFixture(const std::filesystem::path& root,
                                       const std::filesystem::path& file) {
  std::error_code ec;
  const auto realRoot = std::filesystem::canonical(root, ec);
  if (ec) {
    return std::nullopt;
  }
  const auto realFile = std::filesystem::canonical(file, ec);
  if (ec || !isWithin(realRoot, realFile) || !std::filesystem::is_regular_file(realFile, ec)) {
    return std::nullopt;
  }
  const auto size = std::filesystem::file_size(realFile, ec);
  if (ec || size > kMaxFixtureBytes) {
    return std::nullopt;
  }
  std::ifstream in(realFile, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    return std::nullopt;
  }
  return contents;
}

std::string_view contentTypeFor(const std::filesystem::path& file) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kTypes{{
      {".html", "text/html; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".json", "application/json"},
      {".txt", "text/plain; charset=utf-8"},
      {".csv", "text/csv; charset=utf-8"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".ico", "image/x-icon"},
      {".pdf", "application/pdf"},
      {".zip", "application/zip"},
  }};
  const auto extension = file.extension().string();
  for (const auto& [suffix, type] : kTypes) {
    if (extension == suffix) {
      return type;
    }
  }
  return "application/octet-stream";
}

std::string expandTemplate(std::string_view text,
                           const std::function<std::string(std::string_view key)>& value) {
  std::string out;
  out.reserve(text.size());
  while (true) {
    const auto open = text.find("{{");
    const auto close = open == std::string_view::npos ? open : text.find("}}", open + 2);
    if (close == std::string_view::npos) {
      out += text;
      return out;
    }
    out += text.substr(0, open);
    out += value(text.substr(open + 2, close - open - 2));
    text.remove_prefix(close + 2);
  }
}

} // namespace velmora::sample
