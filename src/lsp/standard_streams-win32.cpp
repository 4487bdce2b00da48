#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "lsp/standard_streams.h"

void useBinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}
