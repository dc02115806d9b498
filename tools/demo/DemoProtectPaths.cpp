#include "DemoHost.h"

void DemoProtectPaths(const Library&) {}
