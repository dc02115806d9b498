// The checksum module on its own: published CRC-32 vectors, and agreement
// with a bit-at-a-time reference at every length and alignment, which is
// where a table-driven implementation goes wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ZQCrc32.h"

namespace {

uint32_t Crc(const std::string& bytes) {
    return ZQCrc32(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// The textbook definition, one bit at a time.
uint32_t ReferenceCrc(const unsigned char* p, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<unsigned char> RandomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(count);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    return bytes;
}

}  // namespace

TEST(ZQCrc32, PublishedVectors) {
    EXPECT_EQ(0xCBF43926u, Crc("123456789"));
    EXPECT_EQ(0x00000000u, Crc(""));
    EXPECT_EQ(0xE8B7BE43u, Crc("a"));
    EXPECT_EQ(0x352441C2u, Crc("abc"));
    EXPECT_EQ(0x414FA339u, Crc("The quick brown fox jumps over the lazy dog"));
    EXPECT_EQ(0x190A55ADu, Crc(std::string(32, '\0')));
    EXPECT_EQ(0xFF6CAB0Bu, Crc(std::string(32, '\xFF')));
}

TEST(ZQCrc32, AgreesWithBitwiseReferenceAtEveryLengthAndOffset) {
    std::vector<unsigned char> bytes = RandomBytes(96, 7);
    for (size_t offset = 0; offset < 8; ++offset)
        for (size_t length = 0; length + offset <= 80; ++length)
            ASSERT_EQ(ReferenceCrc(bytes.data() + offset, length),
                      ZQCrc32(bytes.data() + offset, static_cast<uint32_t>(length)))
                << "offset " << offset << ", length " << length;
}

TEST(ZQCrc32, LargeBufferAndNullInput) {
    std::vector<unsigned char> bytes = RandomBytes(1 << 20, 11);
    EXPECT_EQ(ReferenceCrc(bytes.data(), bytes.size()),
              ZQCrc32(bytes.data(), static_cast<uint32_t>(bytes.size())));
    // No bytes to read is the empty checksum, never a read through null.
    EXPECT_EQ(0u, ZQCrc32(nullptr, 0));
    EXPECT_EQ(0u, ZQCrc32(nullptr, 16));
}
