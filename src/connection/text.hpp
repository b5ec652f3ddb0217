// Small Unicode helpers for text that users paste and links carry: trimming
// the blanks and line breaks that copying from mail and chat adds, checking
// that bytes are UTF-8, and counting characters the way a reader would.
// They work on UTF-8 bytes and need no locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// The text with ASCII letters in lower case and every other byte as it was:
// the rule for schemes, host names and link targets, which must not depend on
// the locale the toolkit sets.
[[nodiscard]] std::string asciiLowercased(std::string_view text);

// Removes whitespace and line breaks from both ends: ASCII blanks and
// control breaks, NEL, no-break space and the other Unicode space and line
// separators. Inner text, and bytes that are not UTF-8, are left alone.
[[nodiscard]] std::string trimWhitespaceAndLineBreaks(std::string_view text);

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing past U+10FFFF. The empty string is valid.
[[nodiscard]] bool isValidUtf8(std::string_view bytes);

// The number of user-perceived characters, approximated as code points
// other than combining marks and variation selectors, which belong to the
// character before them. Emoji sequences count more than once; the only user,
// the clipboard suggestion, accepts ASCII text alone, where the count is
// exact. Bytes that are not UTF-8 count one each.
[[nodiscard]] std::size_t userPerceivedLength(std::string_view text);

} // namespace velmora
