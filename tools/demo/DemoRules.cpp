#include "DemoHost.h"

void DemoRules(const Library&) {}
