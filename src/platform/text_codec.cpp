#include "text_codec.h"

#include <QStringDecoder>

#include <iconv.h>

#include <vector>

namespace {

// Qt's own decoders reach Windows-1251 only through ICU, which this build may lack.
QString fromCp1251(const QByteArray& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes);
    std::vector<char> out(size_t(bytes.size()) * 3 + 4);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size()), outLeft = out.size();
    char* o = out.data();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1)) {
        ++in;  // 0x98 has no character in Windows-1251
        --inLeft;
    }
    iconv_close(cd);
    return QString::fromUtf8(out.data(), qsizetype(out.size() - outLeft));
}

}  // namespace

QString decodeUtf8OrCp1251(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromCp1251(bytes) : text;
}

QString fromUtf8KeepingBom(QByteArrayView utf8) {
    if (!utf8.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}
