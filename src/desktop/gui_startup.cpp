#include "desktop/gui_startup.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "desktop/message_dialog.h"
#include "engine/core/environment.h"
#include "ui/dpi.h"
#include "ui/theme.h"

namespace hvm {

void StartGui() {
  ui::EnablePerMonitorDpiAwareness();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES |
                                                      ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                      ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  InitEnvironment();
  ui::SetTheme({Environment().interfaceFont.name, Environment().interfaceFont.sizeIncrease});
  // An error that escapes an event handler is shown with its text, and the
  // program goes on.
  ui::SetErrorHandler(
      [](const std::string& text) { ShowMessageDialog(text, "Hivemend", dialog::kWarningNotice); });
}

}  // namespace hvm
