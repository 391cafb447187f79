// hvmend-cli.exe: the engine behind verbs for scripts and end-to-end tests.
// Exit codes: 0 success, 1 the verb found or left problems, 2 usage or run error.
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: hvmend-cli [--help | --version] <verb> [options]\n"
    "\n"
    "Hivemend finds and repairs stale entries in the Windows registry.\n"
    "\n"
    "Options:\n"
    "  --help      show this text\n"
    "  --version   show the program's version\n";

int ShowUsage(FILE* out) {
  std::fputs(kUsage, out);
  return out == stdout ? kExitOk : kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return ShowUsage(stderr);
  const std::string& first = args.front();
  if (first == "--help" || first == "-h" || first == "/?") return ShowUsage(stdout);
  if (first == "--version") {
    std::printf("Hivemend %s\n", HVM_VERSION);
    return kExitOk;
  }
  std::fprintf(stderr, "hvmend-cli: unknown verb or option '%s'\n\n", first.c_str());
  return ShowUsage(stderr);
}
