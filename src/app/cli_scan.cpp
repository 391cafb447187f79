// hvmend-cli scan: runs the scan driver with the enabled sections and prints
// what it found.
#include "app/cli_verbs.h"

#include <cstdio>
#include <memory>

#include "app/cli_options.h"
#include "app/console_dialogs.h"
#include "app/console_scan_view.h"
#include "app/scan_output.h"
#include "scan/scan_driver.h"

namespace hvm {

int RunScanVerb(const std::vector<std::string>& args) {
  const ScanOptions options = ParseScanOptions(args);
  FILE* progress = options.quiet ? nullptr : stderr;

  DefaultSectionSwitches defaults;
  std::unique_ptr<ChosenSectionSwitches> chosen;
  if (options.sections) chosen = std::make_unique<ChosenSectionSwitches>(*options.sections);
  const SectionSwitches& switches = chosen ? *chosen : static_cast<SectionSwitches&>(defaults);

  TResultsStore results;
  SteadyClock clock;
  ConsoleScanView view(progress, clock);
  ScanGroups groups;
  ConsoleDialogService dialogs(progress);
  NoMonitor monitor;
  ScanDriver driver({results, view, groups, switches, dialogs, monitor});
  view.Attach(&driver);
  ConsoleScanView::CatchInterrupts();

  std::string error;
  try {
    driver.RunScan();
  } catch (const std::exception& e) {
    error = e.what();
  }
  const std::string output =
      options.json ? FormatScanJson(results, switches) : FormatScanText(results, switches);
  std::fputs(output.c_str(), stdout);
  if (!error.empty()) {
    std::fprintf(stderr, "hvmend-cli: the scan ended with an error: %s\n", error.c_str());
    return kExitError;
  }
  return results.TotalCount() > 0 ? kExitProblems : kExitOk;
}

}  // namespace hvm
