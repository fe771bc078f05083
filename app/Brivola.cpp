// Brivola: a resident clipboard utility. No main window; the settings form
// stays hidden until the tray icon shows it.
#include <windows.h>

#include "BIOS.h"
#include "DblChkNF.h"
#include "Forms.h"
#include "uSetupForm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  InitDblChkNF();
  InitLeadByteSet();
  Application().Initialize();
  Application().ShowMainForm = false;
  Application().SetTitle(L"Brivola");
  try {
    Application().CreateForm<TSetupForm>();
  } catch (const std::exception& e) {
    Application().HandleException(e);
    return 1;
  }
  Application().Run();
  return 0;
}
