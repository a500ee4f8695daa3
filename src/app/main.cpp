// R.W.N.8.: one copy at a time, a splash for two seconds, then the player.
#include "bass.h"
#include "desktop.h"
#include "single_instance.h"
#include "skin.h"
#include "splash.h"
#include "startup.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

// Window placement (the player's position rule, the glued playlist, panels at the
// pointer) is not possible on Wayland; its X11 compatibility server does it.
void preferX11() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace

int main(int argc, char** argv) {
    preferX11();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);  // the player's close ends the program
    SingleInstance lock;
    if (!lock.acquire()) {
        desktop().messageBox(QStringLiteral("Плеер запущен."));
        return 0;
    }
    const QStringList missing = Skin::load();
    if (!missing.isEmpty()) {
        desktop().errorBox(QStringLiteral("Skin pictures missing: ") + missing.join(QStringLiteral(", ")));
        return 1;
    }
    const QString programDir = QCoreApplication::applicationDirPath();
    auto splash = std::make_unique<TForm4>();
    splash->showFor(2000);
    if (!createWindows(programDir)) return 1;
    splash->hide();
    splash.reset();
    showPlayer();
    const int code = app.exec();
    destroyWindows();
    BASS_Free();  // after the close button, the engine goes with the process
    return code;
}
