// Writes a picture of the screen of the display the program runs on, or of a part
// of it, optionally enlarged: grab_screen out.png [x y w h [scale]]. For looking at
// the windows under a virtual display.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: grab_screen out.png [x y w h [scale]]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    QPixmap shot = argc == 2 ? screen->grabWindow(0)
                             : screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                                  std::atoi(argv[5]));
    if (argc == 7) shot = shot.scaled(shot.size() * std::atoi(argv[6]), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
