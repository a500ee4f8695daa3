#include "mp3_path.h"

#include <algorithm>

bool isMp3Path(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || dot < slash) return false;
    QString ext = path.mid(dot);
    // Only A–Z: other letters that lower to "mp3" do not make a track.
    for (QChar& c : ext)
        if (c >= 'A' && c <= 'Z') c = QChar(c.unicode() + 32);
    return ext == QLatin1String(".mp3");
}
