// Second process for the helper's process and user services.
//   paths_child wait <ready> <quit>  sets event <ready>, waits for <quit>
//   paths_child sid <file>           writes the user's SID (UTF-8) to <file>
//   paths_child exit <code>          exits with <code>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TestSupport.h"

namespace {

bool WriteText(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

int WaitForQuit(const std::wstring& readyName, const std::wstring& quitName) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName.c_str());
    HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, quitName.c_str());
    if (!ready || !quit) return 5;
    SetEvent(ready);
    DWORD waited = WaitForSingleObject(quit, 120000);
    CloseHandle(ready);
    CloseHandle(quit);
    return waited == WAIT_OBJECT_0 ? 0 : 6;
}

}  // namespace

// Arguments are plain ASCII (event names, temporary paths).
int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "wait" && argc == 4) return WaitForQuit(Wide(argv[2]), Wide(argv[3]));
    if (mode == "sid" && argc == 3)
        return WriteText(Wide(argv[2]), Narrow(getHlpObj()->GetCurrentUserSid())) ? 0 : 7;
    if (mode == "exit" && argc == 3) return atoi(argv[2]);
    return 2;
}
