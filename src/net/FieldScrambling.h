#pragma once

// The keyed byte transformation that hides a network key on its way to the
// device. Both ends know the three texts; each byte depends only on itself
// and its position, and the length stays the same.

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

inline constexpr std::string_view SCRAMBLE_ADD_ROW = "mtrk5pplwa961";
inline constexpr std::string_view SCRAMBLE_XOR_ROW = ";;58hw614hw=8hw";
inline constexpr std::string_view SCRAMBLE_KEY = "vorpal2291735";

// Scrambles, in place, the text at the start of field: the bytes before its
// first NUL, or the whole field when it holds none. The NUL and every byte
// after it are left alone; nothing outside the field is read or written.
void ScrambleField(std::span<std::uint8_t> field);

// The inverse. The text is measured on the scrambled bytes, so a scrambled 0
// at position p ends it there and the bytes from p on stay as they are.
void UnscrambleField(std::span<std::uint8_t> field);

}  // namespace quillon
