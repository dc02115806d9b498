// The interfaces pass std::wstring, std::string and std::vector by value and
// by reference, and one side frees what the other allocated. That works only
// when host and library agree on the C++ runtime, the layout of those types
// and the heap. A host built otherwise would compile, link and then corrupt
// memory on the first call; these checks refuse it at compile time instead.
// README.md ("Building a host") names the compiler and flags to use.
#pragma once

#include <cstddef>  // defines the libstdc++ configuration macros checked below

#if !defined(__MINGW64__) || !defined(_WIN64)
#error "FileProtect interfaces: build the host for 64-bit Windows with mingw-w64 (x86_64-w64-mingw32-g++)."
#endif

#if !defined(__GLIBCXX__)
#error "FileProtect interfaces: the host must use libstdc++ (mingw-w64 g++), the C++ runtime the library was built with."
#endif

#if !defined(_GLIBCXX_USE_CXX11_ABI) || _GLIBCXX_USE_CXX11_ABI != 1
#error "FileProtect interfaces: the host must use the C++11 std::string layout; do not define _GLIBCXX_USE_CXX11_ABI=0."
#endif

#if defined(_GLIBCXX_DEBUG)
#error "FileProtect interfaces: _GLIBCXX_DEBUG changes the layout of std::vector; build the host without it."
#endif

// Strings allocated in one module are freed in another, so both must use the
// one msvcrt heap; a UCRT toolchain would free them on a different heap.
#if defined(_UCRT)
#error "FileProtect interfaces: the library uses msvcrt.dll; build the host with an msvcrt mingw-w64 toolchain, not UCRT."
#endif
