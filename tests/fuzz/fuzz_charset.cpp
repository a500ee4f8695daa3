// The tag-text charset decision on any bytes: the text always comes out as valid
// UTF-8, and bytes that are plain ASCII come out unchanged.
#include "charset.h"
#include "fuzz_input.h"

#include <QString>

#include <cstdlib>

namespace {

bool validUtf8(const std::string& s) {
    const QByteArray bytes = QByteArray::fromStdString(s);
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const text::EightBitCharset charset = text::guessCharset(bytes);
    const std::string text = text::toUtf8(bytes, charset);
    if (!validUtf8(text)) std::abort();
    if (charset == text::EightBitCharset::Ascii && text != bytes) std::abort();
    return 0;
}
