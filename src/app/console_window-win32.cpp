#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// conio.h after windows.h, for _getwch.
#include <conio.h>

#include "app/console_window.h"
#include "text/console.h"

void pauseIfOwnConsoleWindow(std::wstring_view prompt) {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;  // redirected
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return;  // a shared console
  writeConsoleOut(prompt);
  _getwch();
}
