#include "net/FieldScrambling.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace quillon {

namespace {

// The rows repeat every 13 and 15 bytes whatever their texts' lengths; the
// key repeats after its own length, measured each time as the devices do.
constexpr std::size_t ADD_PERIOD = 13;
constexpr std::size_t XOR_PERIOD = 15;
static_assert(SCRAMBLE_ADD_ROW.size() == ADD_PERIOD);
static_assert(SCRAMBLE_XOR_ROW.size() == XOR_PERIOD);

std::size_t textLength(std::span<const std::uint8_t> field) {
    return static_cast<std::size_t>(std::find(field.begin(), field.end(), 0) - field.begin());
}

std::size_t keyLength() {
    return std::strlen(SCRAMBLE_KEY.data());
}

std::uint8_t at(std::string_view row, std::size_t i) {
    return static_cast<std::uint8_t>(row[i]);
}

}  // namespace

void ScrambleField(std::span<std::uint8_t> field) {
    const std::size_t n = textLength(field);
    const std::size_t k = keyLength();
    for (std::size_t i = 0; i < n; ++i) {
        const auto added =
            static_cast<std::uint8_t>(field[i] + at(SCRAMBLE_ADD_ROW, i % ADD_PERIOD));
        field[i] = added ^ at(SCRAMBLE_XOR_ROW, i % XOR_PERIOD) ^ at(SCRAMBLE_KEY, i % k);
    }
}

void UnscrambleField(std::span<std::uint8_t> field) {
    const std::size_t n = textLength(field);
    const std::size_t k = keyLength();
    for (std::size_t i = 0; i < n; ++i) {
        const auto added =
            field[i] ^ at(SCRAMBLE_KEY, i % k) ^ at(SCRAMBLE_XOR_ROW, i % XOR_PERIOD);
        field[i] = static_cast<std::uint8_t>(added - at(SCRAMBLE_ADD_ROW, i % ADD_PERIOD));
    }
}

}  // namespace quillon
