#include "text_codec.h"

#include <QStringDecoder>

QString fromUtf8KeepingBom(QByteArrayView utf8) {
    if (!utf8.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(utf8);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}
