// Process, user and system services.
#include "HlpFunc.h"

std::string CHlpFunc::GetProcessPathUtf8(uint32_t) { return std::string(); }

std::wstring CHlpFunc::GetProcessPath(uint32_t) { return std::wstring(); }

std::wstring CHlpFunc::GetDataFolder() { return std::wstring(); }

std::wstring CHlpFunc::GetCurrentUserSid() { return std::wstring(); }

HANDLE CHlpFunc::RunProcess(const wchar_t*, wchar_t*, bool) { return nullptr; }

std::wstring CHlpFunc::GetUserAppDataFolder() { return std::wstring(); }

std::wstring CHlpFunc::GetCommonAppDataFolder() { return std::wstring(); }

void CHlpFunc::ShellOpenA(std::string) {}

void CHlpFunc::ShellOpen(std::wstring) {}

bool CHlpFunc::IsDirectory(std::wstring) { return false; }

bool CHlpFunc::IsFile(std::wstring) { return false; }

bool CHlpFunc::PathExists(const wchar_t*) { return false; }

bool CHlpFunc::IsServiceRunning(const wchar_t*) { return false; }
