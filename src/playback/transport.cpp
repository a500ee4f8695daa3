#include "transport.h"

#include "desktop.h"
#include "mp3_path.h"
#include "path_bytes.h"
#include "bass.h"
#include "engine.h"
#include "playback_state_writer.h"
#include "slider.h"
#include "tags.h"

#include <algorithm>
#include <exception>

ListIndexError::ListIndexError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

QString ListIndexError::text() const { return QString::fromUtf8(what()); }

void showListIndexError(const ListIndexError& e) { desktop().messageBox(e.text()); }

namespace {

constexpr int kMaxShownCharacters = 1024;

QString tag(const char* format) { return QString::fromUtf8(TAGS_Read(StreamHandle, format)); }

PlaybackStateStore& state() { return playbackStateStore(); }

}  // namespace

// Announces, when the outermost operation ends, a change of PlayState (or, for a
// start, the start itself, which the other windows show also when it failed), tells
// the engine the track that follows, and tells the view that the track-end rule's
// inputs may have changed.
class Transport::Announcement {
public:
    explicit Announcement(Transport& t, bool always = false)
        : t_(t),
          view_(t.view_),
          depth_(t.depth_),
          before_(PlayState),
          always_(always),
          unwinding_(std::uncaught_exceptions()) {
        ++depth_;
    }
    ~Announcement() {
        if (--depth_ > 0) return;
        t_.announceNext();
        // A start that a list index error ended started nothing.
        const bool started = always_ && std::uncaught_exceptions() == unwinding_;
        if (started || PlayState != before_) view_.playStateChanged();
        view_.trackEndInputsChanged();
    }
    Announcement(const Announcement&) = delete;
    Announcement& operator=(const Announcement&) = delete;

private:
    Transport& t_;
    TransportView& view_;
    int& depth_;
    const PlayStatus before_;
    const bool always_;
    const int unwinding_;
};

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
    Announcement a(*this);
    load();
}

void Transport::load() {
    if (PlayState != PlayStatus::paused) {
        const QString file = fileOfPath(TrackPath);
        if (!isFilePath(file)) {
            desktop().messageBox(QStringLiteral("Файл не существует"));
            return;
        }
        if (!makeStream(file)) {
            desktop().messageBox(QStringLiteral("Ошибка загрузки Файла"));
            return;
        }
    }
    if (BASS_ChannelPlay(StreamHandle, false)) {
        state().playState = PlayStatus::playing;
    } else {
        desktop().messageBox(QStringLiteral("Ошибка воспроизведения файла"));
    }
}

bool Transport::makeStream(const QString& file) {
    // A stream that has ended is not stopped: a stop silences what sounds behind
    // it, and that is the next track, which the new stream takes over.
    if (BASS_ChannelIsActive(StreamHandle) != BASS_ACTIVE_STOPPED) BASS_ChannelStop(StreamHandle);
    BASS_StreamFree(StreamHandle);
    state().streamHandle = BASS_StreamCreateFile(false, pathToBytes(file).constData(), 0, 0, 0);
    if (StreamHandle == 0) return false;
    BASS_ChannelSetAttribute(StreamHandle, BASS_ATTRIB_VOL, float(view_.volume()));
    return true;
}

void Transport::startTrack(int i, bool atTrackEnd, SeekThumb thumb) {
    Announcement a(*this, true);
    state().trackIndex = i;
    state().trackPath = list_.get(i);
    list_.setFocus(i);
    state().playState = PlayStatus::stopped;
    load();
    if (!atTrackEnd && thumb == SeekThumb::Show) view_.showSeekThumb();
    list_.setPlayingRow(list_.focused());
    ShowTrackInfo(atTrackEnd);
}

void Transport::Play(SeekThumb thumb) {
    Announcement a(*this);
    if (PlayState == PlayStatus::playing) return;
    load();
    if (thumb == SeekThumb::Show) view_.showSeekThumb();
    list_.setPlayingRow(list_.focused());
    ShowTrackInfo();
}

void Transport::Pause() {
    Announcement a(*this);
    catchUpTrackEnd();
    if (PlayState != PlayStatus::playing) return;
    BASS_ChannelPause(StreamHandle);
    state().playState = PlayStatus::paused;
}

void Transport::HoldLoaded() {
    Announcement a(*this);
    catchUpTrackEnd();
    if (StreamHandle == 0) return;
    BASS_ChannelPause(StreamHandle);
    state().playState = PlayStatus::paused;
}

void Transport::Stop() {
    Announcement a(*this);
    catchUpTrackEnd();
    if (PlayState != PlayStatus::playing) return;
    BASS_ChannelStop(StreamHandle);
    state().playState = PlayStatus::stopped;
    view_.hideSeekThumbAtStart();
}

void Transport::Next(SeekThumb thumb) {
    Announcement a(*this);
    if (TrackIndex >= list_.count() - 1) return;
    startTrack(TrackIndex + 1, false, thumb);
}

void Transport::Previous(SeekThumb thumb) {
    Announcement a(*this);
    if (TrackIndex <= 0) return;
    startTrack(TrackIndex - 1, false, thumb);
}

AfterTrackEnd Transport::applyTrackEnd() {
    const uint64_t pos = BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE);
    if (pos != BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE)) return AfterTrackEnd::tickGoesOn;
    if (TrackIndex >= list_.count() - 1) return AfterTrackEnd::standAtEnd;
    startTrack(view_.repeat() ? TrackIndex : TrackIndex + 1, true);
    return AfterTrackEnd::tickGoesOn;
}

void Transport::catchUpTrackEnd() {
    if (PlayState == PlayStatus::playing) applyTrackEnd();
}

void Transport::playRow(int i) {
    Announcement a(*this);
    state().trackIndex = i;
    state().trackPath = list_.get(i);
    state().playState = PlayStatus::stopped;
    load();
    list_.setPlayingRow(list_.focused());
}

void Transport::pointAt(int i) {
    Announcement a(*this);
    state().trackIndex = i;
}

void Transport::takeRow(int i) {
    Announcement a(*this);
    list_.setFocus(i);
    state().trackPath = list_.get(i);
}

void Transport::takeStartUpRow(const QString& path) { state().trackPath = path; }

void Transport::resumeKept(int i, double seconds, PlayStatus kept) {
    Announcement a(*this, kept != PlayStatus::stopped);
    state().trackIndex = i;
    state().trackPath = list_.get(i);
    list_.setFocus(i);
    list_.setPlayingRow(list_.focused());
    const QString file = fileOfPath(TrackPath);
    if (kept == PlayStatus::stopped || !isFilePath(file) || !makeStream(file)) return;
    // Set before it sounds: not a moment of the track's beginning is heard.
    const uint64_t length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    const double total = BASS_ChannelBytes2Seconds(StreamHandle, length);
    if (length != UINT64_MAX && total > 0)
        BASS_ChannelSetPosition(StreamHandle, uint64_t(std::clamp(seconds / total, 0.0, 1.0) * double(length)),
                                BASS_POS_BYTE);
    if (kept == PlayStatus::paused) state().playState = PlayStatus::paused;
    else if (BASS_ChannelPlay(StreamHandle, false)) state().playState = PlayStatus::playing;
    view_.showSeekThumb();
    ShowTrackInfo();
}

bool EngineSession::start(int device, void* window) {
    if ((BASS_GetVersion() >> 16) != 0x0204) {
        desktop().errorBox(QStringLiteral("Не корректная версия BASS.DLL"));
        failed_ = true;
        return false;
    }
    if (!BASS_Init(device, 44100, 0, window, nullptr)) {
        desktop().errorBox(QStringLiteral("Ошибка инициализация аудио"));
        failed_ = true;
        return false;
    }
    started_ = true;
    return true;
}

void EngineSession::release() {
    if (!started_) return;
    started_ = false;
    BASS_Stop();
    BASS_StreamFree(StreamHandle);
    BASS_Free();
}

bool Transport::seekTo(double seconds) {
    catchUpTrackEnd();
    const uint64_t length = BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE);
    const double total = BASS_ChannelBytes2Seconds(StreamHandle, length);
    if (length == UINT64_MAX || total <= 0) return false;
    const double at = std::clamp(seconds / total, 0.0, 1.0) * double(length);
    BASS_ChannelSetPosition(StreamHandle, uint64_t(at), BASS_POS_BYTE);
    view_.trackEndInputsChanged();
    return true;
}

void Transport::seekToThumb(const Slider& seek) {
    catchUpTrackEnd();
    BASS_ChannelSetPosition(StreamHandle, seekPosition(seek, BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE)),
                            BASS_POS_BYTE);
    view_.trackEndInputsChanged();
}

double Transport::playedSeconds() const {
    const uint64_t position = playedBytes();
    if (position == UINT64_MAX) return 0;
    return std::max(0.0, BASS_ChannelBytes2Seconds(StreamHandle, position));
}

uint64_t Transport::playedBytes() const { return BASS_ChannelGetPosition(StreamHandle, BASS_POS_BYTE); }

uint64_t Transport::lengthBytes() const { return BASS_ChannelGetLength(StreamHandle, BASS_POS_BYTE); }

void Transport::rowsChanged() {
    announceNext();
    view_.trackEndInputsChanged();
}

void Transport::repeatChanged() {
    announceNext();
    view_.trackEndInputsChanged();
}

QString Transport::nextPath() const {
    if (TrackIndex < 0 || TrackIndex >= list_.count() - 1) return {};
    try {
        return list_.get(view_.repeat() ? TrackIndex : TrackIndex + 1);
    } catch (const ListIndexError&) {
        return {};  // rows deleted under the loaded track: nothing follows
    }
}

void Transport::announceNext() {
    const QString next = nextPath();
    if (StreamHandle == toldStream_ && next == toldNext_) return;
    toldStream_ = StreamHandle;
    toldNext_ = next;
    rwn8::engine::announceNext(StreamHandle, next.isEmpty() ? nullptr : pathToBytes(fileOfPath(next)).constData());
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
    Announcement a(*this);
    const int focusedBefore = list_.count() > 0 ? list_.focused() : 0;
    for (const QString& p : paths)
        if (isMp3Path(p)) list_.add(p);
    // With no row to take the path from, the loaded track stays as it was.
    if (focusedBefore >= 0 && focusedBefore < list_.count()) {
        state().trackIndex = focusedBefore;
        state().trackPath = list_.get(TrackIndex);
        list_.setFocus(TrackIndex);
    }
    list_.refreshCounter();
}
