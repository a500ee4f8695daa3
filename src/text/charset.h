#pragma once
// Texts stored as 8-bit bytes (tags: ID3v1, Latin-1 frames of ID3v2; file names
// from old disks) are, in Russian collections, usually Windows-1251 or KOI8-R. This
// tells which and converts to UTF-8. Below the engine and the platform layer, which
// both read such texts.
#include <string>
#include <string_view>

namespace text {

enum class EightBitCharset { Ascii, Latin1, Cp1251, Koi8r, Cp866, Utf8 };

EightBitCharset guessCharset(std::string_view bytes);
std::string toUtf8(std::string_view bytes, EightBitCharset charset);
inline std::string eightBitToUtf8(std::string_view bytes) { return toUtf8(bytes, guessCharset(bytes)); }

}  // namespace text
