// Command-line options. Without arguments the program does what it always did.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/check_kinds.h"
#include "layouts/layout.h"
#include "text/script_encoding.h"

struct Options {
  bool help = false;
  bool version = false;
  bool failOnMissing = false;  // exit code 2 when anything listed was missing
  // -C DIR, in order: the run starts in each in turn, as if started there.
  std::vector<std::wstring> changeDirectories;
  bool init = false;       // --init: write a starter project file, check nothing
  bool unused = false;     // --unused: list the images no reference names
  bool recursive = false;  // --recursive: scripts in subfolders of scenario too
  std::optional<std::wstring> jsonFile;   // --json FILE; "-" is standard output
  std::optional<std::wstring> sarifFile;  // --sarif FILE
  bool github = false;                    // --github: workflow annotations
  std::optional<std::wstring> htmlFile;   // --html FILE
  std::optional<Layout> layout;           // --layout NAME: no detection
  // --config FILE: the project file, instead of ks-image-check.toml in the root
  std::optional<std::wstring> configFile;
  // --encoding NAME: how scripts without a byte-order mark are decoded.
  ScriptEncodingChoice encoding = ScriptEncodingChoice::automatic;
  // --check KINDS: what the run checks; none given, every kind (or what the project
  // file chooses).
  std::optional<CheckKinds> check;
  bool lsp = false;  // --lsp: a language server for editors on standard input/output
  // Arguments that cannot be used as given: the whole message, "[ERROR] ..." with
  // its line feed. The program stops with exit code 1 before it starts a run.
  std::wstring usageError;
  std::vector<std::wstring> ignored;  // arguments we do not know, warned about
};

Options parseOptions(const std::vector<std::wstring>& args);

// Whether the run must keep every finding for an output written at its end.
bool wantsRunResults(const Options& options);

// The usage screen, in Japanese, ending with a line feed.
std::wstring usageText();

// "ks-image-check <version>\n".
std::wstring versionText();
