// The library's own way to the helper singleton: every internal use goes
// through the same object that getHlpObj hands to hosts.
#pragma once

#include "interfaces/FileProtectExports.h"

inline IHlpFunc* Helper() { return getHlpObj(); }
