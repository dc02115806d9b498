// Drive-letter paths, kernel device paths and the path-inside test.
#include "HlpFunc.h"

bool CHlpFunc::IsSubPath(std::wstring, std::wstring) { return false; }

bool CHlpFunc::DevicePathToDosPathA(const char*, char*) { return false; }

bool CHlpFunc::DevicePathToDosPath(const wchar_t*, wchar_t*) { return false; }

std::wstring CHlpFunc::VolumePathToDosPath(std::wstring path) { return path; }

bool CHlpFunc::DosPathToDevicePathA(const char*, char*) { return false; }

bool CHlpFunc::DosPathToDevicePath(const wchar_t*, wchar_t*) { return false; }

std::wstring CHlpFunc::AddTrailingBackslash(std::wstring path) { return path; }
