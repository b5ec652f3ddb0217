#include "app/support_report.hpp"

namespace velmora {

std::string supportReport(const SupportFacts& facts) {
  std::string report = "Velmora support report\n";
  report += "Velmora: " + facts.version + "\n";
  report += "Web engine: " + facts.engineVersion + "\n";
  report += "GTK: " + facts.toolkitVersion + "\n";
  report += "Display: " + facts.displayServer + "\n";
  // An empty stored address is still what the desk holds; say so rather
  // than print nothing after the colon.
  const std::string server = !facts.server           ? "(none)"
                             : facts.server->empty() ? "(empty)"
                                                     : *facts.server;
  report += "Server: " + server + "\n";
  report += std::string("Server locked by the administrator: ") +
            (facts.serverLocked ? "yes" : "no") + "\n";
  report += "\nLast " + std::to_string(facts.logLines.size()) + " log lines:\n";
  for (const std::string& line : facts.logLines)
    report += line + "\n";
  return report;
}

} // namespace velmora
