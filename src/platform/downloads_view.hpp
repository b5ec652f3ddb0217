// What the user sees of this session's downloads: a short note over the
// bottom of the window when one is saved, and the Downloads window listing
// each download with its progress. The core decides every text and when the
// note goes; the backend only draws.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct DownloadButton {
  std::string title;
  std::function<void()> action;
};

struct DownloadNote {
  std::string text;
  DownloadButton button;
};

struct DownloadRow {
  std::string name;
  std::string status;
  // The share received, for a progress bar; none shows no bar.
  std::optional<double> fraction;
  std::vector<DownloadButton> buttons;
};

class DownloadsView {
public:
  virtual ~DownloadsView() = default;
  // Shows the note in place of any note on show, until hideNote.
  virtual void showNote(const DownloadNote& note) = 0;
  virtual void hideNote() = 0;
  // The rows of the Downloads window, oldest first; an open window shows
  // them at once.
  virtual void setRows(std::vector<DownloadRow> rows) = 0;
  // Opens the Downloads window, or brings it forward.
  virtual void showList() = 0;
};

} // namespace velmora
