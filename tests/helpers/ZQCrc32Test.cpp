// The checksum module: published CRC-32 vectors, and agreement with a
// bit-at-a-time reference at every length and alignment, where a
// table-driven implementation goes wrong.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ZQCrc32.h"

namespace {

uint32_t Crc(const std::string& bytes) {
    return ZQCrc32(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

uint32_t ReferenceCrc(const unsigned char* p, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

TEST(ZQCrc32, PublishedVectors) {
    EXPECT_EQ(0xCBF43926u, Crc("123456789"));
    EXPECT_EQ(0u, Crc(""));
    EXPECT_EQ(0x414FA339u, Crc("The quick brown fox jumps over the lazy dog"));
    EXPECT_EQ(0x190A55ADu, Crc(std::string(32, '\0')));
    EXPECT_EQ(0xFF6CAB0Bu, Crc(std::string(32, '\xFF')));
    EXPECT_EQ(0u, ZQCrc32(nullptr, 16));  // nothing to read, never a read through null
}

TEST(ZQCrc32, AgreesWithBitwiseReferenceAtEveryLengthAndOffset) {
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(4096);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    for (size_t offset = 0; offset < 8; ++offset)
        for (size_t length : {0, 1, 7, 8, 9, 15, 16, 17, 31, 64, 65, 1000, 4000})
            ASSERT_EQ(ReferenceCrc(bytes.data() + offset, length),
                      ZQCrc32(bytes.data() + offset, static_cast<uint32_t>(length)))
                << "offset " << offset << ", length " << length;
}
