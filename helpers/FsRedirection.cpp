// The redirection entries are looked up on every use: they exist only on
// systems that have a 32-bit layer, and the library must load everywhere.
#include "helpers/FsRedirection.h"

#include <windows.h>

#include "helpers/RuntimeEntry.h"

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableRedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertRedirectionFn = BOOL(WINAPI*)(PVOID);

bool IsRedirectedProcess() {
    auto isWow64Process = FindEntry<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

ScopedFsRedirectionOff::ScopedFsRedirectionOff() {
    if (!IsRedirectedProcess()) return;
    auto disable =
        FindEntry<DisableRedirectionFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    disabled_ = disable && disable(&saved_);
}

ScopedFsRedirectionOff::~ScopedFsRedirectionOff() {
    // The saved value is opaque and may well be null (it is, when redirection
    // was on); whether the turn-off succeeded decides whether to restore.
    if (!disabled_) return;
    auto revert = FindEntry<RevertRedirectionFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (revert) revert(saved_);
}
