// The outputs written from what a run met, at its end, each asked for by an option:
// one plain record of the run (app/run_results.h) feeds them all.
#pragma once

#include <ostream>

#include "app/options.h"
#include "app/run_results.h"

// Writes every output `options` asks for. Also called when a run fails after its
// report was opened (results.completed false): the outputs then tell what was
// checked so far. Returns false when one could not be written; the failure is on
// the console and in `errLog` (CP932).
bool writeRequestedOutputs(const Options& options, const RunResults& results,
                           std::ostream& errLog);
