#include "HashText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr int64_t kUnsignedLimit = int64_t(1) << 32;

}  // namespace

bool ReadHashText(const std::string& text, int32_t* key) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';

    // Accumulate no further than just past the 32-bit range, so the value
    // can never overflow however many digits follow.
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        if (magnitude <= kUnsignedLimit) magnitude = magnitude * 10 + (text[at] - '0');

    int64_t value = negative ? -magnitude : magnitude;
    if (value >= INT32_MIN && value <= INT32_MAX) {
        *key = static_cast<int32_t>(value);
        return true;
    }
    if (value > INT32_MAX && value < kUnsignedLimit) {
        *key = static_cast<int32_t>(static_cast<uint32_t>(value));
        return true;
    }
    return false;
}
