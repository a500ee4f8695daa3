#pragma once
#include <QByteArrayView>
#include <QString>

// UTF-8 bytes as text, every one of them: a leading byte-order mark stays a
// character (QString::fromUtf8 drops it), so a row read back is the row written.
QString fromUtf8KeepingBom(QByteArrayView utf8);
