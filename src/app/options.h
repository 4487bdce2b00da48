// Command-line options. Without arguments the program does what it always did.
#pragma once

#include <string>
#include <vector>

struct Options {
  bool help = false;
  bool version = false;
  bool failOnMissing = false;  // exit code 2 when anything listed was missing
  // -C DIR, in order: the run starts in each in turn, as if started there.
  std::vector<std::wstring> changeDirectories;
  bool missingDirectory = false;      // -C was last, without its folder
  std::vector<std::wstring> ignored;  // arguments we do not know, warned about
};

Options parseOptions(const std::vector<std::wstring>& args);

// The usage screen, in Japanese, ending with a line feed.
std::wstring usageText();

// "ks-image-check <version>\n".
std::wstring versionText();
