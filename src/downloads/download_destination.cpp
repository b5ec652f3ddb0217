#include "downloads/download_destination.hpp"

#include <cstdint>

namespace velmora {
namespace {

// The widest UTF-8 character; a stem given fewer bytes than this might be
// cut to nothing.
constexpr std::size_t maxCharacterBytes = 4;

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

bool isTrimmed(char c) {
  return c == '.' || c == ' ';
}

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The text after the last separator that is followed by something.
std::string_view lastPathComponent(std::string_view name) {
  while (!name.empty() && isSeparator(name.back()))
    name.remove_suffix(1);
  const auto separator = name.find_last_of("/\\");
  return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

// C0 controls, DEL and the C1 controls (U+0080 to U+009F, two bytes in
// UTF-8) each become one "_".
std::string replaceControlCharacters(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x20 || byte == 0x7F) {
      out += '_';
    } else if (byte == 0xC2 && i + 1 < name.size() &&
               static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
      out += '_';
      ++i;
    } else {
      out += name[i];
    }
  }
  return out;
}

// At most `bytes` bytes of `text`, never ending inside a character. Bytes
// that are no UTF-8 at all are cut where the limit falls, so something is
// always left.
std::string_view cutToBytes(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes)
    return text;
  std::size_t end = bytes;
  while (end > 0 && isContinuationByte(text[end]))
    --end;
  return text.substr(0, end > 0 ? end : bytes);
}

struct SplitName {
  std::string stem;
  std::string extension; // without its dot; empty when the name has none
};

// The extension is the text after the last dot; a safe name never starts or
// ends with a dot, so both parts are non-empty when there is one.
SplitName split(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos)
    return {name, {}};
  return {name.substr(0, dot), name.substr(dot + 1)};
}

// stem + suffix + "." + extension, shortened to fit: the stem gives way
// first; an extension too long to leave room for any stem is kept as part
// of the name and cut with it, the suffix always survives.
std::string fitName(const SplitName& name, std::string_view suffix) {
  const std::string tail =
      std::string(suffix) + (name.extension.empty() ? "" : "." + name.extension);
  if (tail.size() + maxCharacterBytes <= maxDownloadFilenameBytes) {
    return std::string(cutToBytes(name.stem, maxDownloadFilenameBytes - tail.size())) + tail;
  }
  const std::string whole = name.stem + "." + name.extension;
  return std::string(cutToBytes(whole, maxDownloadFilenameBytes - suffix.size())) +
         std::string(suffix);
}

} // namespace

std::string safeDownloadFilename(std::string_view suggested) {
  std::string name = replaceControlCharacters(lastPathComponent(suggested));
  std::size_t begin = 0;
  std::size_t end = name.size();
  while (begin < end && isTrimmed(name[begin]))
    ++begin;
  while (end > begin && isTrimmed(name[end - 1]))
    --end;
  name = name.substr(begin, end - begin);
  if (name.empty())
    return std::string(fallbackDownloadFilename);
  return fitName(split(name), "");
}

std::filesystem::path
uniqueDownloadDestination(const std::filesystem::path& folder, std::string_view suggestedFilename,
                          const std::function<bool(const std::filesystem::path&)>& exists) {
  const std::string name = safeDownloadFilename(suggestedFilename);
  // Stem and extension are taken once, from the first candidate, so
  // "backup.tar.gz" goes on as "backup.tar-2.gz".
  const SplitName parts = split(name);
  std::filesystem::path candidate = folder / name;
  for (std::uint64_t n = 2; exists(candidate); ++n) {
    candidate = folder / fitName(parts, "-" + std::to_string(n));
  }
  return candidate;
}

} // namespace velmora
