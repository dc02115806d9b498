// One worker process of a soak run: mixes the library's shared operations at
// random until the parent sets the stop event (or goes away), journalling
// each one.
#pragma once

#include <cstdint>
#include <string>

#include "SoakPlan.h"

// Exit codes of a worker; the parent kills with kKilledExitCode.
enum WorkerExit : int {
    kWorkerStopped = 0,      // stopped when told to
    kWorkerNoLibrary = 10,   // the library did not load or the store did not open
    kWorkerNoJournal = 11,   // its journal could not be written
    kWorkerParentGone = 12,  // the parent ended without stopping it
    kKilledExitCode = 0xDEAD,
};

// `focus` is "all" or the one area whose operations the worker mixes.
int RunWorker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus);
