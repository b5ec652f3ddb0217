// Small Unicode helpers for text that users paste and links carry: trimming
// the blanks and line breaks that copying from mail and chat adds, checking
// that bytes are UTF-8, and counting characters the way a reader would.
// They work on UTF-8 bytes and need no locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// Removes whitespace and line breaks from both ends: ASCII blanks and
// control breaks, NEL, no-break space and the other Unicode space and line
// separators. Inner text, and bytes that are not UTF-8, are left alone.
[[nodiscard]] std::string trimWhitespaceAndLineBreaks(std::string_view text);

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing past U+10FFFF. The empty string is valid.
[[nodiscard]] bool isValidUtf8(std::string_view bytes);

// The number of user-perceived characters: code points, not counting those
// that join the character before them (combining marks, variation selectors,
// the zero-width joiner and what it joins, emoji skin tones, the second flag
// letter). This is a close approximation of grapheme clusters that needs no
// Unicode tables beyond a few ranges. Invalid bytes count one each.
[[nodiscard]] std::size_t userPerceivedLength(std::string_view text);

} // namespace velmora
