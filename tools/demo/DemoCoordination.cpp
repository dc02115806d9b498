#include "DemoHost.h"

void DemoCoordination(const Library&) {}
