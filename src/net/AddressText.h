#pragma once

// Address texts to bytes and back, as the devices write them: IPv4 as dotted
// decimal, MAC addresses as colon-separated hexadecimal.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// count 4: "%d.%d.%d.%d"; count 6: "%02X:%02X:..." (upper case). Any other
// count gives the empty text. Reads at most count bytes of the input.
std::string BytesToText(std::span<const std::uint8_t> bytes, int count);

// count 4: the first 31 characters read as "%d.%d.%d.%d", missing parts 0,
// each part's low 8 bits stored; nothing is validated (300.1.2.3 -> 2C 01 02 03).
// count 6: groups between colons read with ParseHex, low 8 bits stored (FF for
// a bad group); at most six bytes, fewer groups leave the rest untouched.
// Never writes more than count bytes, nor past the destination.
void TextToBytes(std::span<std::uint8_t> destination, int count, std::string_view text);

// Hexadecimal digits, an optional leading 0x/0X, 32-bit wrapping arithmetic;
// -1 at the first character that is not a hexadecimal digit.
std::int32_t ParseHex(std::string_view text);

}  // namespace quillon
