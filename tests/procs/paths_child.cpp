// Second process for the helper's process and user services.
//   paths_child disguise <ready> <quit>
//                                    names itself "C:\Program Files\Vendor\Trusted.exe"
//                                    in its own memory, opens gate <ready>, waits for <quit>
//   paths_child exit <code>          exits with <code>
#include <windows.h>

#include <winternl.h>

#include <cstdlib>
#include <string>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

// What a process can do to the records that describe it in its own memory:
// the loader entry of its main module (full and base name) and the image
// path of its start-up parameters now name a trusted program.
void Disguise() {
    static wchar_t fullName[] = L"C:\\Program Files\\Vendor\\Trusted.exe";
    static wchar_t baseName[] = L"Trusted.exe";
    auto point = [](UNICODE_STRING* text, wchar_t* name, size_t characters) {
        text->Buffer = name;
        text->Length = static_cast<USHORT>((characters - 1) * sizeof(wchar_t));
        text->MaximumLength = static_cast<USHORT>(characters * sizeof(wchar_t));
    };
    PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
    const HMODULE image = GetModuleHandleW(nullptr);
    LIST_ENTRY* head = &peb->Ldr->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
        auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (entry->DllBase != image) continue;
        point(&entry->FullDllName, fullName, ARRAYSIZE(fullName));
        // The base name follows the full name in the entry.
        point(&entry->FullDllName + 1, baseName, ARRAYSIZE(baseName));
    }
    point(&peb->ProcessParameters->ImagePathName, fullName, ARRAYSIZE(fullName));
}

}  // namespace

// Arguments are plain ASCII (event names, temporary paths).
int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "disguise" && argc == 4) {
        Disguise();
        fileprotect::Handle quit(OpenEventW(SYNCHRONIZE, FALSE, Wide(argv[3]).c_str()));
        return quit.Valid() && OpenGate(Wide(argv[2])) &&
                       WaitForSingleObject(quit.Get(), 120000) == WAIT_OBJECT_0
                   ? 0
                   : 5;
    }
    if (mode == "exit" && argc == 3) return atoi(argv[2]);
    return 2;
}
