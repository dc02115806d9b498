// The checksum behind every path hash: standard reflected CRC-32
// (polynomial 0xEDB88320, initial and final xor 0xFFFFFFFF), as zlib computes it.
#pragma once

#include <cstdint>

#ifdef ZQCRC32_BUILDING_DLL
#define ZQCRC32_API extern "C" __declspec(dllexport)
#else
#define ZQCRC32_API extern "C" __declspec(dllimport)
#endif

ZQCRC32_API uint32_t ZQCrc32(const void* data, uint32_t length);
