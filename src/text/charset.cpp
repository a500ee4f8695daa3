#include "charset.h"

#include <QByteArrayView>

#include <iconv.h>
#include <librcd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace text {
namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

// Letter case of a byte read as Cyrillic: +1 upper, -1 lower, 0 not a letter.
// Windows-1251 has capitals at C0-DF, KOI8-R has them at E0-FF.
int cyrillicCase(uint8_t b, EightBitCharset cs) {
    if (b < 0xC0) return 0;
    const bool upperHalf = b >= 0xE0;
    return (cs == EightBitCharset::Cp1251) == upperHalf ? -1 : +1;
}

// Counts the words whose letter case reads naturally: all capitals, all small, or
// a capital followed by small letters. A text read in the wrong one of the two
// charsets turns "Группа" into "зТХРРБ".
int naturalWords(std::string_view s, EightBitCharset cs) {
    int natural = 0;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && cyrillicCase(uint8_t(s[i]), cs) == 0) ++i;
        int first = 0, upper = 0, lower = 0;
        for (; i < s.size(); ++i) {
            const int c = cyrillicCase(uint8_t(s[i]), cs);
            if (c == 0) break;
            if (first == 0) first = c;
            else (c > 0 ? upper : lower)++;
        }
        if (first == 0) continue;
        const bool ok = upper == 0 || (first > 0 && lower == 0);
        natural += ok ? 1 : 0;
    }
    return natural;
}

// Strict UTF-8: overlong forms (C0 B8 for "8"), surrogates and code points past
// U+10FFFF are not UTF-8, and a text holding them is read as an 8-bit charset.
bool validUtf8(std::string_view s) { return QByteArrayView(s.data(), qsizetype(s.size())).isValidUtf8(); }

const char* iconvName(EightBitCharset cs) {
    switch (cs) {
    case EightBitCharset::Cp1251: return "CP1251";
    case EightBitCharset::Koi8r: return "KOI8-R";
    case EightBitCharset::Cp866: return "CP866";
    default: return "ISO-8859-1";
    }
}

}  // namespace

EightBitCharset guessCharset(std::string_view bytes) {
    if (isAscii(bytes)) return EightBitCharset::Ascii;
    switch (rcdGetRussianCharset(bytes.data(), static_cast<int>(bytes.size()))) {
    case RUSSIAN_CHARSET_WIN: return EightBitCharset::Cp1251;
    case RUSSIAN_CHARSET_UTF8: return validUtf8(bytes) ? EightBitCharset::Utf8 : EightBitCharset::Cp1251;
    case RUSSIAN_CHARSET_ALT: return EightBitCharset::Cp866;
    case RUSSIAN_CHARSET_LATIN: return EightBitCharset::Latin1;
    case RUSSIAN_CHARSET_KOI:
        // Short capitalised names fool the detector; keep Windows-1251, by far the
        // commoner, unless the KOI8-R reading is plainly the more natural one.
        return naturalWords(bytes, EightBitCharset::Koi8r) > naturalWords(bytes, EightBitCharset::Cp1251)
                   ? EightBitCharset::Koi8r
                   : EightBitCharset::Cp1251;
    }
    return EightBitCharset::Latin1;
}

std::string toUtf8(std::string_view bytes, EightBitCharset cs) {
    if (cs == EightBitCharset::Ascii || cs == EightBitCharset::Utf8) return std::string(bytes);
    iconv_t cd = iconv_open("UTF-8", iconvName(cs));
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
    std::vector<char> out(bytes.size() * 4 + 4);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* o = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1)) break;
        // A byte the charset leaves undefined (0x98 in Windows-1251): skip it.
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    return std::string(out.data(), out.size() - outLeft);
}

}  // namespace text
