// Request routing of the sample platform: which handler answers which path.
// Dynamic behaviour lives in handlers listed in one table in routes.cpp;
// anything the table does not name is looked up as a fixture file.
#pragma once

#include "exchange.hpp"
#include "platform.hpp"

namespace velmora::sample {

// Answers one request. Paths under /__ are the test harness's own controls
// and keep working while the platform pretends to be down or foreign.
void dispatch(Platform& platform, Exchange& exchange);

} // namespace velmora::sample
