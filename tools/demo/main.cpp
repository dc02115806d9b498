// FileProtectDemo: a host like any other. It loads FileProtect.dll through
// the host kit, calls every subsystem through the interfaces, and prints
// what each did.
#include <cstdio>
#include <stdexcept>

#include "DemoHost.h"

void Say(const std::wstring& line) {
    printf("%s\n", fileprotect::Utf8(line).c_str());
    fflush(stdout);
}

int main() {
    try {
        const Library library;
        DemoFactories(library);
        DemoStore(library);
        DemoProtectPaths(library);
        DemoRules(library);
        DemoPaths(library);
        DemoCoordination(library);
        DemoCache(library);
        DemoDisks(library);
        library.Store()->CloseDb();
    } catch (const std::runtime_error& error) {  // the library or a factory is missing
        printf("%s\n", error.what());
        return 1;
    }
    printf("demo finished\n");
    return 0;
}
