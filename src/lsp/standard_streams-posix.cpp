#include "lsp/standard_streams.h"

void useBinaryStandardStreams() {}
