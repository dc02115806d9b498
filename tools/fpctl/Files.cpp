#include "Files.h"

HANDLE OpenToRead(const std::wstring& path, int tries) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < tries; ++attempt) {
        file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(100);
    }
    return file;
}

std::string ReadAllAndClose(HANDLE file) {
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}
