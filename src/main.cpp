// The program's two front ends over one core: a run of the checks on the command
// line, or a language server for editors. Neither knows the other; this file
// chooses.
#include "app/arguments.h"
#include "app/options.h"
#include "app/run_frame.h"
#include "lsp/server_loop.h"
#include "text/console.h"

int main(int argc, char** argv) {
  const std::vector<std::wstring> args = programArguments(argc, argv);
  const Options options = parseOptions(args);
  // Standard output then carries the protocol alone: no warning, no report, no log.
  if (options.lsp && !options.help && !options.version) {
    keepRunningWhenOutputCloses();
    return runLanguageServer();
  }
  return runProgram(args);
}
