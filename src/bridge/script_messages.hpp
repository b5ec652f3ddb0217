// How the page's messages are read: the unread count of "bellCount" and the
// badge text it becomes, and the link list of "navLinks". Pure functions of
// the message body, so every shape a page could post is tested without a web
// engine; the window controller only dispatches by name and applies them.
#pragma once

#include "platform/script_value.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// The count a "bellCount" body carries. A number gives its value truncated
// toward zero (2.9 gives 2). A number beyond the signed 64-bit range, an
// infinity included, gives the nearest end of the range, so a count too
// large to hold still shows as many unread rather than as none; NaN gives 0.
// Anything that is not a number (string, boolean, null, array, dictionary)
// gives 0.
[[nodiscard]] std::int64_t countFromMessageBody(const ScriptValue& body);

// The dock badge for a count: its decimal digits for 1 or more, without
// sign, grouping or cap ("1234"); the empty text, which shows no badge, for
// 0 or less.
[[nodiscard]] std::string badgeLabelForCount(std::int64_t count);

// The window's title for a count: "Velmora (N)" while it is 1 or more, plain
// "Velmora" otherwise. Desktops without a dock badge (stock GNOME, most
// panels) show the count through the title in every taskbar and switcher.
[[nodiscard]] std::string windowTitleForCount(std::int64_t count);

// The link list of a "navLinks" body: the array itself when every element is
// a dictionary, otherwise (no array, or any one element of another kind) an
// empty list. The dictionaries' contents are not examined here.
[[nodiscard]] std::vector<ScriptDictionary> linkListFromMessageBody(const ScriptValue& body);

} // namespace velmora
