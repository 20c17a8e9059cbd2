#include "net/AddressText.h"

#include <cstdio>

namespace quillon {

namespace {

// Only this many characters of an address text are ever looked at, as the
// devices' own firmware reads them into a 32-byte buffer.
constexpr std::size_t MAX_ADDRESS_TEXT = 31;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%d" conversion: leading blanks, optional sign, at least one digit.
// Returns false (and leaves value alone) when there is no number at pos.
bool readDecimal(std::string_view text, std::size_t& pos, std::uint32_t& value) {
    std::size_t p = pos;
    while (p < text.size() && isSpace(text[p])) {
        ++p;
    }
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p >= text.size() || text[p] < '0' || text[p] > '9') {
        return false;
    }
    std::uint32_t v = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
        v = v * 10 + static_cast<std::uint32_t>(text[p] - '0');
        ++p;
    }
    value = negative ? 0u - v : v;
    pos = p;
    return true;
}

}  // namespace

std::string BytesToText(std::span<const std::uint8_t> bytes, int count) {
    char out[32] = {};
    if (count == 4 && bytes.size() >= 4) {
        std::snprintf(out, sizeof out, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    } else if (count == 6 && bytes.size() >= 6) {
        std::snprintf(out, sizeof out, "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0], bytes[1],
                      bytes[2], bytes[3], bytes[4], bytes[5]);
    }
    return out;
}

void TextToBytes(std::span<std::uint8_t> destination, int count, std::string_view text) {
    text = text.substr(0, MAX_ADDRESS_TEXT);
    if (count == 4) {
        std::uint32_t parts[4] = {0, 0, 0, 0};
        std::size_t pos = 0;
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                if (pos >= text.size() || text[pos] != '.') {
                    break;
                }
                ++pos;
            }
            if (!readDecimal(text, pos, parts[i])) {
                break;
            }
        }
        for (std::size_t i = 0; i < 4 && i < destination.size(); ++i) {
            destination[i] = static_cast<std::uint8_t>(parts[i]);
        }
    } else if (count == 6) {
        std::size_t stored = 0;
        std::size_t pos = 0;
        while (pos < text.size() && stored < 6 && stored < destination.size()) {
            if (text[pos] == ':') {
                ++pos;
                continue;
            }
            const std::size_t end = std::min(text.find(':', pos), text.size());
            destination[stored++] =
                static_cast<std::uint8_t>(ParseHex(text.substr(pos, end - pos)) & 0xFF);
            pos = end;
        }
    }
}

std::int32_t ParseHex(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return -1;
        }
        value = value * 16 + digit;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace quillon
