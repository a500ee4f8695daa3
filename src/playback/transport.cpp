#include "transport.h"

#include "desktop.h"
#include "mp3_path.h"
#include "playback_state.h"
#include "tags.h"

#include <QFileInfo>

ListIndexError::ListIndexError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

QString ListIndexError::text() const { return QString::fromUtf8(what()); }

void showListIndexError(const ListIndexError& e) { desktop().messageBox(e.text()); }

namespace {

constexpr int kMaxShownCharacters = 1024;

QString tag(const char* format) { return QString::fromUtf8(TAGS_Read(StreamHandle, format)); }

}  // namespace

QString LinkedPlaylist::get(int i) const {
    if (!link) throw ListIndexError(i);
    return link->get(i);
}
void LinkedPlaylist::setFocus(int i) {
    if (link) link->setFocus(i);
}
void LinkedPlaylist::add(const QString& path) {
    if (link) link->add(path);
}
void LinkedPlaylist::refreshCounter() {
    if (link) link->refreshCounter();
}
void LinkedPlaylist::setPlayingRow(int row) {
    if (link) link->setPlayingRow(row);
}

void Transport::Player() {
    if (PlayState != 2) {
        if (!QFileInfo(TrackPath).isFile()) {
            desktop().messageBox(QStringLiteral("Файл не существует"));
            return;
        }
        BASS_ChannelStop(StreamHandle);
        BASS_StreamFree(StreamHandle);
        StreamHandle = BASS_StreamCreateFile(false, TrackPath.toUtf8().constData(), 0, 0, 0);
        if (StreamHandle == 0) {
            desktop().messageBox(QStringLiteral("Ошибка загрузки Файла"));
            return;
        }
    }
    if (BASS_ChannelPlay(StreamHandle, false)) {
        PlayState = 1;
        view_.playStateChanged();
    } else {
        desktop().messageBox(QStringLiteral("Ошибка воспроизведения файла"));
    }
}

void Transport::startTrack(int i, bool atTrackEnd, SeekThumb thumb) {
    TrackIndex = i;
    TrackPath = list_.get(i);
    list_.setFocus(i);
    PlayState = 0;
    Player();
    view_.playStateChanged();  // also when the track could not start
    if (!atTrackEnd && thumb == SeekThumb::Show) view_.showSeekThumb();
    list_.setPlayingRow(list_.focused());
    ShowTrackInfo(atTrackEnd);
}

void Transport::Play(SeekThumb thumb) {
    if (PlayState == 1) return;
    Player();
    if (thumb == SeekThumb::Show) view_.showSeekThumb();
    list_.setPlayingRow(list_.focused());
    ShowTrackInfo();
}

void Transport::Pause() {
    if (PlayState != 1) return;
    BASS_ChannelPause(StreamHandle);
    PlayState = 2;
    view_.playStateChanged();
}

void Transport::HoldLoaded() {
    if (StreamHandle == 0) return;
    BASS_ChannelPause(StreamHandle);
    PlayState = 2;
    view_.playStateChanged();
}

void Transport::Stop() {
    if (PlayState != 1) return;
    BASS_ChannelStop(StreamHandle);
    PlayState = 0;
    view_.hideSeekThumbAtStart();
    view_.playStateChanged();
}

void Transport::Next(SeekThumb thumb) {
    if (TrackIndex >= list_.count() - 1) return;
    startTrack(TrackIndex + 1, false, thumb);
}

void Transport::Previous(SeekThumb thumb) {
    if (TrackIndex <= 0) return;
    startTrack(TrackIndex - 1, false, thumb);
}

bool Transport::trackEnd() {
    const uint64_t pos = BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE);
    if (pos != BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE)) return true;
    if (TrackIndex >= list_.count() - 1) return false;
    startTrack(view_.repeat() ? TrackIndex : TrackIndex + 1, true);
    return true;
}

void Transport::ShowTrackInfo(bool atTrackEnd) {
    const TrackTags tags{tag("%TITL"), tag("%ARTI"), tag("%ALBM"), tag("%GNRE"),
                         BASS_ChannelBytes2Seconds(StreamHandle, BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE))};
    const QString head = ".:: " + tags.title + " :: " + tags.artist;
    view_.setMarquee(head + (atTrackEnd ? QStringLiteral(":: MP3 ::.") : QStringLiteral(" :: MP3 ::.")));
    // A tag a megabyte long is shown by its beginning: labels and captions lay out
    // all they are given, and would hold the window that long.
    const auto framed = [](const QString& t) { return ".::[" + t.left(kMaxShownCharacters) + "]::."; };
    view_.setTrackInfo({framed(tags.title), framed(tags.artist), framed(tags.album), framed(tags.genre),
                        QStringLiteral("Год: ") + tag("%YEAR").left(kMaxShownCharacters), TrackPath, tags});
    if (!atTrackEnd) view_.setWindowCaption(head.left(kMaxShownCharacters) + " :: MP3 ::.");
}

void Transport::dropFiles(const QStringList& paths) {
    const int focusedBefore = list_.count() > 0 ? list_.focused() : 0;
    for (const QString& p : paths)
        if (isMp3Path(p)) list_.add(p);
    // With no row to take the path from, the loaded track stays as it was.
    if (focusedBefore >= 0 && focusedBefore < list_.count()) {
        TrackIndex = focusedBefore;
        TrackPath = list_.get(TrackIndex);
        list_.setFocus(TrackIndex);
    }
    list_.refreshCounter();
}
