// Hands things to the rest of the desktop: URLs to their default
// application, files to the file manager.
#pragma once

#include "platform/url.hpp"

#include <filesystem>
#include <vector>

namespace velmora {

class Workspace {
public:
  virtual ~Workspace() = default;
  // Opens the URL in the user's default application for it (a web page in
  // the default browser). Failure is silent.
  virtual void openURL(const Url& url) = 0;
  // Shows a file manager window with these files selected.
  virtual void activateFileViewerSelectingURLs(const std::vector<std::filesystem::path>& files) = 0;
};

} // namespace velmora
