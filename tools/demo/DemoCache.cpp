#include "DemoHost.h"

void DemoCache(const Library&) {}
