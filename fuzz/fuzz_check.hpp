// What every fuzz target shares: a check that stops the run with a message
// when an invariant breaks, so libFuzzer records the input as a crash, and
// helpers that cut the fuzzer's bytes into the several inputs a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velmora::fuzz {

inline void check(bool holds, const char* what, std::string_view input = {}) {
  if (holds)
    return;
  std::fprintf(stderr, "invariant broken: %s\ninput: %.*s\n", what, static_cast<int>(input.size()),
               input.data());
  std::abort();
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Takes one byte off the front; 0 when nothing is left.
inline std::uint8_t takeByte(std::string_view& bytes) {
  if (bytes.empty())
    return 0;
  const auto byte = static_cast<std::uint8_t>(bytes.front());
  bytes.remove_prefix(1);
  return byte;
}

// Takes the text up to the first NUL (or all of it) off the front, so one
// input can carry several strings separated by NUL bytes.
inline std::string_view takeField(std::string_view& bytes) {
  const auto end = bytes.find('\0');
  const std::string_view field = bytes.substr(0, end);
  bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  return field;
}

} // namespace velmora::fuzz
