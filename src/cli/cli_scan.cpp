// hvmend-cli scan: runs the scan driver with the enabled sections and prints
// what it found.
#include <cstdio>

#include "cli/cli_options.h"
#include "cli/cli_verbs.h"
#include "cli/console_output.h"
#include "cli/console_scan_session.h"
#include "cli/data_files.h"
#include "cli/scan_output.h"

namespace hvm {

int RunScanVerb(const std::vector<std::string>& args) {
  const ScanOptions options = ParseScanOptions(args);
  ConsoleScanSession session(options, false);
  WarnAboutUnreadableDataFiles(session.DataFolder());
  std::string error;
  try {
    session.RunScan();
  } catch (const std::exception& e) {
    error = e.what();
  }
  const ResultsStore& results = session.Results();
  const std::string output = options.json
                                 ? FormatScanJson(results, session.Switches())
                                 : FormatScanText(results, session.Switches(), options.verbose);
  WriteText(stdout, output);
  if (!error.empty()) {
    PrintTo(stderr, "hvmend-cli: the scan ended with an error: %s\n", error.c_str());
    return kExitError;
  }
  return results.TotalCount() > 0 ? kExitProblems : kExitOk;
}

}  // namespace hvm
