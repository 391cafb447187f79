// The program of each test package (Acme Tray's acme.exe, Bolt Notes'
// bolt.exe): a real Windows program for the registrations to name. The scan
// only asks whether it is there, so it does nothing when started.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return 0;
}
