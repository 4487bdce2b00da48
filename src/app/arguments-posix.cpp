#include "app/arguments.h"
#include "text/utf8.h"

std::vector<std::wstring> programArguments(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(decodeUtf8(argv[i]));
  return args;
}
