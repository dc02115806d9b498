// Named kernel objects that the cross-process tests, their child programs
// and the benchmarks use to line processes up. They are plain Win32 objects,
// independent of the library under test.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "interfaces/FileProtectHost.h"

// A name no other running program uses: the creator's process id and a tag.
inline std::wstring UniqueName(const std::wstring& tag) {
    static int serial = 0;
    return L"fileprotect-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++serial) + L"-" + tag;
}

// A manual-reset event that stays set once set: late openers still see it.
class NamedGate {
public:
    explicit NamedGate(const std::wstring& name)
        : name_(name), event_(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}
    const std::wstring& name() const { return name_; }
    void Open() { SetEvent(event_.Get()); }
    // Waits for a child to open it; false when the child ends first or a
    // minute passes.
    bool OpenedBy(HANDLE child) const {
        HANDLE either[] = {event_.Get(), child};
        return WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
    }

private:
    std::wstring name_;
    fileprotect::Handle event_;
};

// Counts arrivals: children release it once each, the parent takes them.
class NamedCounter {
public:
    explicit NamedCounter(const std::wstring& name)
        : name_(name), semaphore_(CreateSemaphoreW(nullptr, 0, 1 << 20, name.c_str())) {}
    const std::wstring& name() const { return name_; }
    // Waits until `count` arrivals have been made; false if one never comes.
    bool WaitFor(int count, DWORD timeoutMs = 120000) {
        for (int i = 0; i < count; ++i)
            if (WaitForSingleObject(semaphore_.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
        return true;
    }

private:
    std::wstring name_;
    fileprotect::Handle semaphore_;
};

// Child side: what the parent created, opened by name.
inline bool OpenGate(const std::wstring& name) {
    fileprotect::Handle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    return event.Valid() && SetEvent(event.Get());
}

inline bool WaitGate(const std::wstring& name) {
    fileprotect::Handle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return event.Valid() && WaitForSingleObject(event.Get(), INFINITE) == WAIT_OBJECT_0;
}

inline bool GateIsOpen(const std::wstring& name) {
    fileprotect::Handle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return event.Valid() && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
}

inline bool Arrive(const std::wstring& counterName) {
    fileprotect::Handle semaphore(OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, counterName.c_str()));
    return semaphore.Valid() && ReleaseSemaphore(semaphore.Get(), 1, nullptr);
}

// Whether another thread could take the named mutex right now; the probe
// gives it back at once. A mutex that does not exist counts as free. (Taking
// an abandoned mutex clears its abandoned state, so probe only after the
// wait under test.)
inline bool MutexIsFree(const std::wstring& name) {
    bool free = false;
    std::thread probe([&] {
        fileprotect::Handle mutex(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
        if (!mutex.Valid()) {
            free = true;
            return;
        }
        DWORD result = WaitForSingleObject(mutex.Get(), 0);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            ReleaseMutex(mutex.Get());
            free = true;
        }
    });
    probe.join();
    return free;
}
