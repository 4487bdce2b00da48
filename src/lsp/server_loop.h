// The language server as a process: messages read on a thread of their own, so
// that the main loop can wait for the next message or for the moment diagnostics
// are due, whichever comes first.
#pragma once

#include <istream>
#include <ostream>

// Serves the protocol on `in` and `out` (both binary) until the client says exit or
// its end of `in` closes. Returns the process exit code: 0 after shutdown and exit,
// else 1. REQUIRES: `in` outlives the process, or reaches its end: the reading
// thread may still wait on it when the client said exit and kept it open.
int serveLanguageServer(std::istream& in, std::ostream& out);

// serveLanguageServer on standard input and output.
int runLanguageServer();
