#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "app/arguments.h"

std::vector<std::wstring> programArguments(int /*argc*/, char** /*argv*/) {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wideArgs == nullptr) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(wideArgs[i]);
  LocalFree(wideArgs);
  return args;
}
