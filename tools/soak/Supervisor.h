// The parent of a soak run: clears the soak's rows, starts the workers,
// kills and replaces them on schedule, stops them, and judges the result.
#pragma once

#include "SoakPlan.h"

// The exit code of the program: 0 only when every check passed.
int RunSoak(const SoakOptions& options);
