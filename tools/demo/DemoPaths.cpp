#include "DemoHost.h"

void DemoPaths(const Library&) {}
