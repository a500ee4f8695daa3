#include "mpris.h"

#include "mp3.h"
#include "mpris_adaptors.h"
#include "open_request.h"
#include "path_bytes.h"
#include "playback_state.h"
#include "skin_slider.h"
#include "transport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

QDBusObjectPath trackId() { return QDBusObjectPath(QStringLiteral("/org/rwn8/track/%1").arg(TrackIndex)); }

// Runs a command after the bus call has been answered: a command may show a modal
// message, which must not hold the caller's reply.
template <class F> void later(QObject* context, F f) { QMetaObject::invokeMethod(context, f, Qt::QueuedConnection); }

}  // namespace

MprisService::MprisService(TForm_player& p, PlaylistAccess& l, QObject* parent) : QObject(parent), player(p), list(l) {
    new MprisRoot(this);
    new MprisPlayer(this);
    connect(&player, &TForm_player::trackShown, this, &MprisService::trackShown);
    connect(&player, &TForm_player::stateChanged, this, &MprisService::announce);
    // Also rows added or removed, which change where Next and Previous lead.
    connect(&player, &TForm_player::listEndChanged, this, &MprisService::announce);
    connect(player.volumeBar, &TSkinSlider::placed, this, &MprisService::announce);
}

bool MprisService::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(kPath, this)) return false;
    if (!bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.rwn8"))) {
        bus.unregisterObject(kPath);
        return false;
    }
    announce();
    return true;
}

QString MprisService::playbackStatus() const {
    switch (PlayState) {
    // Silent at the end of the last row, the player still counts itself as playing;
    // the desktop hears what is heard.
    case PlayStatus::playing: return player.standsAtEnd() ? QStringLiteral("Stopped") : QStringLiteral("Playing");
    case PlayStatus::paused: return QStringLiteral("Paused");
    default: return QStringLiteral("Stopped");
    }
}

QVariantMap MprisService::metadata() const {
    if (track_.path.isEmpty()) return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())}};
    const TrackTags& t = track_.tags;
    return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())},
            {QStringLiteral("mpris:length"), qlonglong(t.seconds * 1e6)},
            {QStringLiteral("xesam:title"), t.title},
            {QStringLiteral("xesam:artist"), QStringList{t.artist}},
            {QStringLiteral("xesam:album"), t.album},
            {QStringLiteral("xesam:genre"), QStringList{t.genre}},
            {QStringLiteral("xesam:url"), QString::fromLatin1(urlOfPath(track_.path).toEncoded())}};
}

qlonglong MprisService::positionUs() const {
    return PlayState == PlayStatus::stopped ? 0 : qlonglong(player.playedSeconds() * 1e6);
}

bool MprisService::canGoNext() const { return TrackIndex < list.count() - 1; }
bool MprisService::canGoPrevious() const { return TrackIndex > 0; }

void MprisService::seek(double seconds) { player.seekTo(seconds); }

void MprisService::trackShown(const TrackTexts& texts) {
    track_ = texts;
    announce();
}

void MprisService::announce() {
    const QVariantMap now{{QStringLiteral("PlaybackStatus"), playbackStatus()},
                          {QStringLiteral("Metadata"), metadata()},
                          {QStringLiteral("Volume"), player.volume()},
                          {QStringLiteral("CanGoNext"), canGoNext()},
                          {QStringLiteral("CanGoPrevious"), canGoPrevious()}};
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (announced_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    announced_ = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// ---- org.mpris.MediaPlayer2

MprisRoot::MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

void MprisRoot::Raise() {
    later(service_, [s = service_] { s->player.restoreFromTray(); });
}

// The same way out as the main menu's exit: the close handler, no settings written.
void MprisRoot::Quit() {
    later(service_, [s = service_] { s->player.close(); });
}

// ---- org.mpris.MediaPlayer2.Player

MprisPlayer::MprisPlayer(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisPlayer::playbackStatus() const { return service_->playbackStatus(); }
QVariantMap MprisPlayer::metadata() const { return service_->metadata(); }
double MprisPlayer::volume() const { return service_->player.volume(); }
void MprisPlayer::setVolume(double v) { service_->player.setVolume(v); }
qlonglong MprisPlayer::position() const { return service_->positionUs(); }
bool MprisPlayer::canGoNext() const { return service_->canGoNext(); }
bool MprisPlayer::canGoPrevious() const { return service_->canGoPrevious(); }

void MprisPlayer::Next() {
    later(service_, [s = service_] { s->player.ZMButton4Click(); });
}
void MprisPlayer::Previous() {
    later(service_, [s = service_] { s->player.ZMButton5Click(); });
}
void MprisPlayer::Pause() {
    later(service_, [s = service_] { s->player.ZMButton2Click(); });
}
void MprisPlayer::Stop() {
    later(service_, [s = service_] { s->player.ZMButton3Click(); });
}
void MprisPlayer::Play() {
    later(service_, [s = service_] { s->player.ZMButton1Click(); });
}
void MprisPlayer::PlayPause() {
    later(service_, [s = service_] {
        if (PlayState == PlayStatus::playing) s->player.ZMButton2Click();
        else s->player.ZMButton1Click();
    });
}

// The same way in as a file handed to the program: any other address is not ours.
void MprisPlayer::OpenUri(const QString& uri) {
    const QByteArray path = localFileOfUri(uri.toUtf8());
    if (!path.isEmpty()) emit service_->openRequested({path});
}

void MprisPlayer::Seek(qlonglong offsetUs) {
    if (PlayState == PlayStatus::stopped) return;
    const double to = std::max(0.0, service_->positionUs() / 1e6 + offsetUs / 1e6);
    if (to > service_->metadata().value(QStringLiteral("mpris:length")).toLongLong() / 1e6) {
        Next();  // past the end: as the desktop's controls expect
        return;
    }
    service_->seek(to);
    emit Seeked(qlonglong(to * 1e6));
}

void MprisPlayer::SetPosition(const QDBusObjectPath& id, qlonglong positionUs) {
    if (PlayState == PlayStatus::stopped || id != trackId() || positionUs < 0) return;
    if (positionUs > service_->metadata().value(QStringLiteral("mpris:length")).toLongLong()) return;
    service_->seek(positionUs / 1e6);
    emit Seeked(positionUs);
}
