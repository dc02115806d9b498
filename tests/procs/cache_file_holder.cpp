// Keeps a file open with no sharing at all, as a reader or writer that does
// not take the cache lock would, until the go gate opens.
//   cache_file_holder <file> <ready gate> <go gate>
#include "TestSupport.h"
#include "coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 4) return 1;
    KernelHandle file(CreateFileW(Wide(argv[1]).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Held()) return 2;
    OpenGate(Wide(argv[2]));
    WaitGate(Wide(argv[3]));
    return 0;
}
