#include "platform/text.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace velmora {
namespace {

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Decoded {
  char32_t codePoint;
  std::size_t length;
};

// Decodes the UTF-8 sequence at `at`; none when the bytes there are not one.
std::optional<Decoded> decodeAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80)
    return Decoded{lead, 1};
  std::size_t length = 0;
  char32_t minimum = 0;
  char32_t codePoint = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (at + length > text.size())
    return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80)
      return std::nullopt;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF)
    return std::nullopt;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
    return std::nullopt;
  return Decoded{codePoint, length};
}

bool isWhitespaceOrLineBreak(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

bool isControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Invisible characters that change how the text around them reads: with
// U+202E, "Acme \u202Emoc.live" shows as "Acme evil.com".
bool isInvisibleFormatting(char32_t c) {
  return c == 0x061C || c == 0x200B || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x2069) || c == 0xFEFF;
}

// Code points that never start a character of their own.
bool extendsPreviousCharacter(char32_t c) {
  static constexpr std::array<std::pair<char32_t, char32_t>, 10> ranges{{
      {0x0300, 0x036F}, // combining diacritical marks
      {0x0483, 0x0489}, // Cyrillic combining marks
      {0x0591, 0x05BD}, // Hebrew points
      {0x064B, 0x065F}, // Arabic vowel marks
      {0x0E31, 0x0E3A}, // Thai vowel and tone marks
      {0x1AB0, 0x1AFF}, // combining diacritical marks extended
      {0x1DC0, 0x1DFF}, // combining diacritical marks supplement
      {0x20D0, 0x20FF}, // combining marks for symbols
      {0xFE00, 0xFE0F}, // variation selectors
      {0xFE20, 0xFE2F}, // combining half marks
  }};
  for (const auto& [first, last] : ranges)
    if (c >= first && c <= last)
      return true;
  return c >= 0xE0100 && c <= 0xE01EF; // variation selectors supplement
}

} // namespace

std::string asciiLowercased(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = asciiLower(c);
  return result;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmedAscii(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string trimWhitespaceAndLineBreaks(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const auto decoded = decodeAt(text, begin);
    if (!decoded || !isWhitespaceOrLineBreak(decoded->codePoint))
      break;
    begin += decoded->length;
  }
  // Walks the rest forwards, remembering where the last non-blank ended, so
  // that trailing bytes are only ever read as whole sequences.
  std::size_t end = begin;
  for (std::size_t at = begin; at < text.size();) {
    const auto decoded = decodeAt(text, at);
    const std::size_t length = decoded ? decoded->length : 1;
    if (!decoded || !isWhitespaceOrLineBreak(decoded->codePoint))
      end = at + length;
    at += length;
  }
  return std::string(text.substr(begin, end - begin));
}

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const auto decoded = decodeAt(bytes, at);
    if (!decoded)
      return false;
    at += decoded->length;
  }
  return true;
}

std::string oneLineForDisplay(std::string_view text, std::size_t maxCharacters) {
  constexpr std::string_view replacement = "\uFFFD";
  constexpr std::string_view ellipsis = "\u2026";
  std::string result;
  // Where each character of `result` starts, to cut on a boundary; one more
  // than fits is enough to know that the text must be cut.
  std::vector<std::size_t> starts;
  bool blankPending = false;
  for (std::size_t at = 0; at < text.size() && starts.size() <= maxCharacters;) {
    const auto decoded = decodeAt(text, at);
    const std::string_view bytes = decoded ? text.substr(at, decoded->length) : replacement;
    at += decoded ? decoded->length : 1;
    if (decoded && isWhitespaceOrLineBreak(decoded->codePoint)) {
      blankPending = !result.empty();
      continue;
    }
    if (decoded && (isControl(decoded->codePoint) || isInvisibleFormatting(decoded->codePoint)))
      continue;
    if (std::exchange(blankPending, false)) {
      starts.push_back(result.size());
      result += ' ';
    }
    starts.push_back(result.size());
    result += bytes;
  }
  if (starts.size() <= maxCharacters)
    return result;
  if (maxCharacters == 0)
    return {};
  result.resize(starts[maxCharacters - 1]);
  if (!result.empty() && result.back() == ' ')
    result.pop_back();
  return result + std::string(ellipsis);
}

std::size_t userPerceivedLength(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto decoded = decodeAt(text, at);
    at += decoded ? decoded->length : 1;
    if (!decoded || !extendsPreviousCharacter(decoded->codePoint) || count == 0)
      ++count;
  }
  return count;
}

} // namespace velmora
