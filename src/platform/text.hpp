// Small Unicode helpers for text that users paste and links carry: trimming
// the blanks and line breaks that copying from mail and chat adds, checking
// that bytes are UTF-8, counting characters the way a reader would, and
// making a server's text fit to show in a dialog. They work on UTF-8 bytes
// and need no locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// The text with ASCII letters in lower case and every other byte as it was:
// the rule for schemes, host names and link targets, which must not depend on
// the locale the toolkit sets.
[[nodiscard]] std::string asciiLowercased(std::string_view text);

// Whether the two texts are equal once their ASCII letters are in lower
// case, and whether `text` starts so with `prefix`: header names, directives
// and schemes, compared without the locale.
[[nodiscard]] bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
[[nodiscard]] bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

// The text without spaces, tabs and line breaks at either end: the blanks
// of machine-written lines (headers, key files), where Unicode spaces are
// content.
[[nodiscard]] std::string_view trimmedAscii(std::string_view text);

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

// Text a server supplied, made fit to show in one line of a dialog: every
// run of blanks and line breaks becomes one space and both ends are
// trimmed; control characters (C0, DEL, C1) and the invisible characters
// that reorder or hide the text around them (bidirectional overrides,
// embeddings, isolates and marks, zero-width spaces, the byte order mark)
// are dropped; a byte that is not UTF-8 becomes U+FFFD. Text longer than
// `maxCharacters` code points is cut on a character boundary and ends with
// "\u2026", the whole still `maxCharacters` long at most.
[[nodiscard]] std::string oneLineForDisplay(std::string_view text, std::size_t maxCharacters);

} // namespace velmora
