#include "bridge/go_menu.hpp"

namespace velmora {
namespace {

const std::string* stringMember(const ScriptDictionary& dictionary, std::string_view key) {
  const auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : found->second.string();
}

// Only the path counts, as the address's path component reads: a query or
// fragment does not hide a sign-out link.
bool isSignOut(const Url& url) {
  return url.path().ends_with("/logout");
}

GoMenuEntry entryOfKind(GoMenuEntry::Kind kind) {
  GoMenuEntry entry;
  entry.kind = kind;
  return entry;
}

} // namespace

std::vector<GoMenuEntry> buildGoMenuEntries(const std::vector<ScriptDictionary>& links) {
  if (links.empty()) {
    GoMenuEntry signIn = entryOfKind(GoMenuEntry::Kind::signIn);
    signIn.title = "Sign In";
    signIn.action = Action::goHome;
    return {signIn};
  }
  std::vector<GoMenuEntry> entries;
  int shortcut = 1;
  std::size_t linkCount = 0;
  for (const ScriptDictionary& link : links) {
    if (linkCount == maxGoMenuLinks)
      break;
    const std::string* label = stringMember(link, "label");
    const std::string* href = stringMember(link, "href");
    if (!label || !href)
      continue;
    const std::optional<Url> url = Url::parseLenient(*href);
    if (!url)
      continue;

    GoMenuEntry entry = entryOfKind(GoMenuEntry::Kind::link);
    entry.title = *label;
    entry.action = Action::goToPath;
    entry.targetURL = url;
    if (isSignOut(*url)) {
      if (!entries.empty())
        entries.push_back(entryOfKind(GoMenuEntry::Kind::separator));
    } else if (shortcut <= 9) {
      entry.keyEquivalent = std::to_string(shortcut++);
    }
    const auto current = link.find("current");
    const bool* on = current == link.end() ? nullptr : current->second.boolean();
    entry.stateOn = on && *on;
    entries.push_back(std::move(entry));
    ++linkCount;
  }
  return entries;
}

MenuItem menuItemForGoMenuEntry(const GoMenuEntry& entry) {
  if (entry.kind == GoMenuEntry::Kind::separator)
    return MenuItem::separator();
  MenuItem item;
  item.title = entry.title;
  item.action = entry.action;
  item.keyEquivalent = entry.keyEquivalent;
  item.modifierMask = modifier::command;
  item.representedObject = entry.targetURL;
  item.stateOn = entry.stateOn;
  return item;
}

} // namespace velmora
