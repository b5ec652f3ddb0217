// Every desktop service the core uses, handed to the application delegate
// and the window controller as one bundle. Each member outlives both.
#pragma once

#include "platform/alerts.hpp"
#include "platform/application.hpp"
#include "platform/clipboard.hpp"
#include "platform/connectivity.hpp"
#include "platform/dock_tile.hpp"
#include "platform/files.hpp"
#include "platform/http_client.hpp"
#include "platform/last_copy_store.hpp"
#include "platform/location.hpp"
#include "platform/main_queue.hpp"
#include "platform/settings.hpp"
#include "platform/window.hpp"
#include "platform/workspace.hpp"

namespace velmora {

struct Desktop {
  Application& application;
  WindowSystem& windows;
  Alerts& alerts;
  Settings& settings;
  HttpClient& http;
  Clipboard& clipboard;
  DockTile& dockTile;
  Workspace& workspace;
  Files& files;
  LocationService& location;
  MainQueue& mainQueue;
  Connectivity& connectivity;
  LastCopyStore& lastCopies;
};

} // namespace velmora
