// The test harness's side door into a running sample platform: switching
// modes and outages at run time, and reading the request log over HTTP.
#pragma once

#include "exchange.hpp"
#include "platform.hpp"

namespace velmora::sample {

// GET /__control?mode=NAME&down=0|1|503&notifications=N&sessions=clear
//               &autosignin=0|1&soak=N&hold=N,N,...&release=N
// Every parameter is optional; all are checked before any is applied, so a
// bad request changes nothing (400 with {"error": ...}). `soak` arms the
// self-reloading dashboard for N loads (0 stops it) and forgets the holds;
// `hold` lists the loads after which it waits; `release` lets one go on.
// The answer is the resulting state as JSON:
// {"mode":"current","down":0,"notifications":3,"soak":0}.
void handleControl(Platform& platform, Exchange& exchange);

// GET /__log: every request recorded so far, as JSON lines.
void handleLog(Platform& platform, Exchange& exchange);

// GET /__report?...: test pages report what they saw (a dialog's answer, a
// location outcome) here. The answer is empty; the query lands in the
// request log, where the test reads it.
void handleReport(Platform& platform, Exchange& exchange);

} // namespace velmora::sample
