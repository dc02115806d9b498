#include "DemoHost.h"

void DemoDisks(const Library&) {}
