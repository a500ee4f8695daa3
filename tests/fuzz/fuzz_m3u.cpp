// The M3U reader on any bytes: rows never hold a line break, each row is bytes of
// the input as they stand (they name files, whatever their encoding), and writing
// the rows and reading them back gives the same bytes, but for those rows that no
// M3U line can carry whole.
#include "fuzz_input.h"
#include "m3u.h"
#include "path_bytes.h"

#include <cstdlib>

namespace {

// A row the reader could not give back: one holding a header word is dropped, a
// line break splits it, and the text ends at a zero byte.
bool lostOnReading(const QString& row) {
    return row.contains(QLatin1String("#EXTM3U")) || row.contains(QLatin1String("#EXTINF")) || row.contains('\r') ||
           row.contains('\n') || row.contains(QChar(0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList rows = readM3u(bytes);
    for (const QString& row : rows)
        if (row.contains('\r') || row.contains('\n') || !bytes.contains(pathToBytes(row))) std::abort();
    const M3uEntryInfo info{[](const QString&) { return QStringLiteral("00:03:25"); },
                            [](const QString&) { return QStringLiteral("title"); }};
    QStringList kept;
    for (const QString& row : rows)
        if (!lostOnReading(row)) kept << row;
    const QStringList again = readM3u(writeM3u(kept, info));
    if (again.size() != kept.size()) std::abort();
    for (qsizetype i = 0; i < kept.size(); ++i)
        if (pathToBytes(again[i]) != pathToBytes(kept[i])) std::abort();
    return 0;
}
