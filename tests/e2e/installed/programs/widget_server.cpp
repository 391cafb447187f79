// acmewidgets.dll, the in-process server the Acme Widgets package registers
// for its Widget class. It exports what COM looks for in a server; the test
// only needs the file where the registration says, so it serves no object.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID,
                                                                      void** object) {
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() {
  return S_OK;
}
