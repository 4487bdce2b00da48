// The walk of the tree is most of what a run waits for, and it does not depend on the
// scripts: it runs on a second thread while the scripts are read. Everything it
// would write is held back and written where a walk at the first search would have
// written it, so the outputs stay byte for byte those of one thread.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <vector>

#include "images/image_index.h"

// Starts walking `exeDir` (as buildImageIndex does) on another thread. Destroying
// the last handle of a walk no one took asks it to stop and waits for it, which
// takes no longer than the folder it is reading.
std::shared_ptr<IndexWalk> startIndexWalk(const std::filesystem::path& exeDir,
                                          bool keepEveryImage);

// Waits for the walk, writes its error lines to `errLog` and gives its index.
// REQUIRES: not taken before.
ImageIndex takeIndexWalk(IndexWalk& walk, std::ostream& errLog);

// Waits for the walk and gives the scripts it listed (see buildImageIndex), leaving
// its index and its error lines to takeIndexWalk. REQUIRES: not taken before, and
// called on the thread that takes the index.
std::vector<WalkedScript> takeWalkedScripts(IndexWalk& walk);

// Whether runs use threads of their own (this walk, the log's conversion, reading
// the scripts ahead): yes, unless the environment variable KIC_THREADS is "1" (for
// tests and benchmarks that compare the two).
bool runsUseThreads();
