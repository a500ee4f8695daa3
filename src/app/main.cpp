// R.W.N.8.: one copy at a time, a splash for two seconds, then the player.
#include "config2.h"
#include "desktop.h"
#include "single_instance.h"
#include "skin.h"
#include "splash.h"
#include "kept_list.h"
#include "mpris.h"
#include "mp3.h"
#include "open_with.h"
#include "playlist_window.h"
#include "program_windows.h"
#include "session_end.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <malloc.h>
#include <optional>
#include <cstdio>
#include <ctime>

namespace {

// Window placement (the player's position rule, the glued playlist, panels at the
// pointer) is not possible on Wayland; its X11 compatibility server does it.
void preferX11() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// Frames go to the X server as plain image requests rather than through shared
// memory: a shared-memory frame is followed by a round trip before the next one can
// be drawn, which wakes both the interface thread and the X event thread at every
// step of the caption and every spectrum frame, for windows this small.
void framesWithoutRoundTrips() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

// With RWN8_TIMES set, the moments the splash and the player are on screen go to
// standard error, for the start-up benchmark.
void stamp(const char* event) {
    static const bool on = qEnvironmentVariableIsSet("RWN8_TIMES");
    if (!on) return;
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    std::fprintf(stderr, "rwn8: %s %lld\n", event, static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    preferX11();
    // The skin exists at whole densities only: a 1.25 or 1.75 screen gets the nearest
    // one rather than a blurred picture.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    framesWithoutRoundTrips();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);  // the player's close ends the program
    SingleInstance lock;
    OpenWith open(argc, argv);  // the files this start was handed, if any
    if (!lock.acquire()) return open.handToRunningCopy();
    open.listen();
    const QString programDir = QCoreApplication::applicationDirPath();
    auto splash = std::make_unique<TForm4>();
    splash->showNow();
    stamp("splash-shown");
    const QStringList missing = Skin::load();
    if (!missing.isEmpty()) {
        desktop().errorBox(QStringLiteral("Skin pictures missing: ") + missing.join(QStringLiteral(", ")));
        return 1;
    }
    // The player releases the engine at its close, or here with the windows after
    // the close button, which ends the program without the close handler.
    ProgramWindows windows;
    // Start-up reads Config2.ini for the kept list and for each window's own keys: once.
    std::optional<Config2File::SharedReading> oneReading(std::in_place);
    // The splash's two seconds include reading the start-up playlist (the kept one, or Config.ini's).
    QElapsedTimer reading;
    reading.start();
    windows.readStartUp(programDir);
    splash->waitOut(int(std::max<qint64>(0, 2000 - reading.elapsed())));
    stamp("splash-ended");
    if (!windows.create(programDir)) return 1;
    splash->hide();
    splash.reset();
    windows.showPlayer();
    // A termination signal closes the player as the system's close command does (the
    // kept list saved on the way); the session manager's request to save saves it.
    SessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &SessionEnd::terminateRequested, windows.Form_player.get(), &QWidget::close);
    QObject::connect(&sessionEnd, &SessionEnd::saveRequested, windows.Keeper.get(), &ListKeeper::saveNow);
    MprisService mpris(*windows.Form_player, *windows.Form2);
    mpris.start();  // without a session bus the player works as before
    // Heard by the media controls, and before any file handed to this start, which then plays instead.
    windows.resumeKeptTrack();
    open.attach(windows, mpris);
    QCoreApplication::processEvents();
    stamp("player-shown");
    // Its many small lines go back to the system, as the start-up list's do.
    oneReading.reset();
    malloc_trim(0);
    return app.exec();
}
