// --init: a starter project file, written from what the project's scripts show, so
// that the loads its own tags make are checked from the next run on.
#pragma once

#include "app/options.h"

// Writes ks-image-check.toml (or the --config file) in the current folder, the
// project's root: its layout, the tags no table knows whose values name images, and
// for a desktop-style project the folders those images lie in off the search path.
// Never overwrites a file. Returns the exit code: 0 when written, 1 otherwise.
int initProjectFile(const Options& options);
