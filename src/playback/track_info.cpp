#include "track_info.h"

#include "bass.h"
#include "path_bytes.h"
#include "tags.h"
#include "time_text.h"

#include <cmath>

namespace {

// One stream on one file for the length of one question.
class OwnStream {
public:
    explicit OwnStream(const QString& path)
        : h_(BASS_StreamCreateFile(false, pathToBytes(fileOfPath(path)).constData(), 0, 0, 0)) {}
    ~OwnStream() { BASS_StreamFree(h_); }
    OwnStream(const OwnStream&) = delete;
    OwnStream& operator=(const OwnStream&) = delete;
    HSTREAM handle() const { return h_; }
    QString tag(const char* format) const { return QString::fromUtf8(TAGS_Read(h_, format)); }
    // Seconds of audio; 0 when the stream could not be made.
    double seconds() const {
        const uint64_t bytes = BASS_ChannelGetLength(h_, BASS_POS_BYTE);
        if (bytes == UINT64_MAX) return 0;
        const double s = BASS_ChannelBytes2Seconds(h_, bytes);
        return s > 0 ? s : 0;
    }

private:
    HSTREAM h_;
};

}  // namespace

QString readID3Tag(const QString& path) {
    const QString title = OwnStream(path).tag("%TITL");
    return title.isEmpty() ? QStringLiteral("Название не определено") : title;
}

QString readID3TagArtist(const QString& path) { return OwnStream(path).tag("%ARTI"); }

QString readID3TagYear(const QString& path) { return OwnStream(path).tag("%YEAR"); }

long long averageKbps(uint32_t fileBytes, float seconds) {
    if (!(seconds > 0)) return 0;
    const long double rate = static_cast<long double>(fileBytes) / (125.0L * seconds) + 0.5L;
    return std::llrint(rate);
}

QString GetKbps(const QString& path) {
    OwnStream s(path);
    const float duration = static_cast<float>(s.seconds());
    const uint64_t size = BASS_StreamGetFilePosition(s.handle(), BASS_FILEPOS_END);
    if (size == UINT64_MAX) return QStringLiteral("0");
    return QString::number(averageKbps(static_cast<uint32_t>(size), duration));
}

QString lentime(const QString& path) { return timeText(OwnStream(path).seconds()); }
