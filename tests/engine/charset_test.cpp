#include "charset.h"
#include "tag_writer.h"

#include <QByteArray>
#include <QByteArrayView>

#include <gtest/gtest.h>

#include <ostream>

using namespace text;

namespace {

std::string latin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = uint8_t(utf8[i]);
        if (c < 0x80) out += char(c);
        else out += char(((c & 0x1F) << 6) | (uint8_t(utf8[++i]) & 0x3F));
    }
    return out;
}

struct Case {
    const char* text;  // UTF-8
    std::string (*encode)(const std::string&);
};
// The text itself, and which 8-bit charset it went through.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.text
        << (c.encode == fixture::cp1251  ? " (cp1251)"
            : c.encode == fixture::koi8r ? " (koi8r)"
                                         : " (latin1)");
}

class EightBitText : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(EightBitText, ComesOutAsWritten) {
    const Case c = GetParam();
    EXPECT_EQ(eightBitToUtf8(c.encode(c.text)), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    RussianAndLatin, EightBitText,
    ::testing::Values(Case{"Группа крови", fixture::cp1251}, Case{"Кино", fixture::cp1251},
                      Case{"ДДТ", fixture::cp1251}, Case{"Ария", fixture::cp1251}, Case{"Любэ", fixture::cp1251},
                      Case{"Машина времени", fixture::cp1251}, Case{"Сплин - Выхода нет", fixture::cp1251},
                      Case{"Группа крови", fixture::koi8r}, Case{"Звезда по имени Солнце", fixture::koi8r},
                      Case{"Café", latin1}, Case{"Beyoncé", latin1}, Case{"Sigur Rós", latin1}, Case{"Müller", latin1},
                      Case{"Metallica", latin1}),
    [](const auto& info) {
        const Case& c = info.param;
        const char* charset = c.encode == fixture::cp1251 ? "cp1251" : c.encode == fixture::koi8r ? "koi8r" : "latin1";
        return charset + std::string("_") + std::to_string(info.index);
    });

TEST(EightBitText, LatinReadingOfCp1251IsRepaired) {
    // What a Latin-1 reader shows for Windows-1251 bytes: "Ãðóïïà êðîâè".
    EXPECT_EQ(eightBitToUtf8(latin1("Ãðóïïà êðîâè")), "Группа крови");
}

TEST(EightBitText, ValidUtf8InAnEightBitFieldIsKept) { EXPECT_EQ(eightBitToUtf8("Кино"), "Кино"); }

// Found by fuzzing: UTF-8 text holding an overlong form (C0 B8) was passed on as it
// was, so the "UTF-8" the engine hands out was not UTF-8.
TEST(EightBitText, BrokenUtf8ComesOutAsValidUtf8) {
    const std::string broken = std::string("Звезда по имен") + "\xc0\xb8" + " Солнце";
    for (const std::string& bytes : {broken, std::string("\xed\xa0\x80 surrogate"), std::string("\xf5\x80\x80\x80")}) {
        const std::string text = eightBitToUtf8(bytes);
        const QByteArray out = QByteArray::fromStdString(text);
        EXPECT_TRUE(QByteArrayView(out).isValidUtf8()) << text;
    }
}
