// Times the results page with 20,000 problems: building the tree, painting a
// screenful, scrolling through every row a page at a time, and checking a
// whole section. Absolute times vary by machine; what matters is that none of
// them grows with the rows a user cannot see.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include <commctrl.h>

#include "desktop/pages/results_page.h"
#include "engine/core/results_store.h"
#include "engine/scan/sections.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class AllSections : public hvm::SectionSwitches {
 public:
  bool Enabled(int) const override { return true; }
};

class Host : public hvm::ui::Window {
 public:
  bool Open() {
    CreateArgs args;
    args.className = "HivemendTreeBench";
    args.title = "tree bench";
    args.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    args.bounds = hvm::ui::MakeRect(0, 0, 800, 600);
    return CreateWindowOf(args);
  }
};

}  // namespace

int main() {
  constexpr int kProblems = 20000;
  hvm::ResultsStore results;
  // Most problems in the class sections, as a neglected machine has them.
  for (int i = 0; i < kProblems; ++i) {
    const int section = i % 10 < 6 ? 4 : i % 10 < 8 ? 3 : 2 + i % 10;
    results.AddProblem(section, "HKCR\\CLSID\\{0000" + std::to_string(100000 + i) +
                                    "-0000-0000-0000-000000000000}\\InprocServer32\\\\:@ = "
                                    "C:\\Program Files\\Gone\\server" +
                                    std::to_string(i) + ".dll");
  }
  Host host;
  if (!host.Open()) return 2;
  AllSections switches;
  hvm::ResultsPage page(results);
  hvm::ResultsPage::Hooks hooks;
  hooks.switches = [&]() -> const hvm::SectionSwitches& { return switches; };
  if (!page.Create(host.Hwnd(), hvm::ui::MakeRect(0, 0, 780, 560), hooks)) return 2;
  ShowWindow(page.Hwnd(), SW_SHOW);
  hvm::ui::TreeView& tree = page.Tree();

  const double build = Milliseconds([&] { page.BuildTree(); });
  HTREEITEM first = TreeView_GetRoot(tree.Hwnd());
  // The largest section opened, as a user looking through it would.
  HTREEITEM largest = first;
  for (HTREEITEM node = first; node; node = TreeView_GetNextSibling(tree.Hwnd(), node))
    if (tree.DataOf(node) / 65536 == 4) largest = node;
  const double expand = Milliseconds([&] {
    tree.Expand(largest, true);
    UpdateWindow(tree.Hwnd());
  });
  const double paint = Milliseconds([&] {
    InvalidateRect(tree.Hwnd(), nullptr, FALSE);
    UpdateWindow(tree.Hwnd());
  });
  int pages = 0;
  const double scroll = Milliseconds([&] {
    // Down to the last row, one page at a time.
    for (int last = -1; GetScrollPos(tree.Hwnd(), SB_VERT) != last; ++pages) {
      last = GetScrollPos(tree.Hwnd(), SB_VERT);
      SendMessageA(tree.Hwnd(), WM_VSCROLL, SB_PAGEDOWN, 0);
      UpdateWindow(tree.Hwnd());
    }
  });
  const double check = Milliseconds([&] {
    page.Model().SetSectionChecked(4, false);
    InvalidateRect(tree.Hwnd(), nullptr, FALSE);
    UpdateWindow(tree.Hwnd());
  });
  std::printf("results tree with %d problems (%zu in the largest section)\n", kProblems,
              results.Section(4).size());
  std::printf("  build the tree            %8.1f ms\n", build);
  std::printf("  open the largest section  %8.1f ms\n", expand);
  std::printf("  paint a screenful         %8.1f ms\n", paint);
  std::printf("  scroll a page (mean of %d) %6.2f ms\n", pages, scroll / pages);
  std::printf("  uncheck the section       %8.1f ms\n", check);
  return 0;
}
