// A dispatch desk's working day, compressed: while a soak is armed (see
// control.hpp), the dashboard is a busy board that moves on to its next
// instance by itself, about 80 ms after each load, as a dispatcher's clicks
// would: a new history entry each time, with a changing unread count,
// sidebar and 200-row table. Benchmarks watch memory grow (or not) over
// hundreds of such loads.
#pragma once

#include "exchange.hpp"
#include "platform.hpp"

#include <string>

namespace velmora::sample {

// What the `n`th dashboard of a soak of `loads` shows inside the workspace
// layout. The last one stays where it is.
struct SoakDashboard {
  std::string content;
  int notificationCount = 0;
  // Links the sidebar's navigation shows after its fixed ones.
  std::string sidebarLinks;
};
[[nodiscard]] SoakDashboard soakDashboard(int n, int loads);

// The dashboard number a request asks for: `n` of the query, 1 when absent
// or unreadable, never past the soak's end.
[[nodiscard]] int soakLoadNumber(const Soak& soak, const Exchange& exchange);

// GET /__soak?n=N&load_ms=T: the page after its Nth load says it is about
// to move on (T is its own navigation-to-load time, for the log). The
// answer waits while N is held, so the harness measures a settled page.
void handleSoakStep(Platform& platform, Exchange& exchange);

} // namespace velmora::sample
