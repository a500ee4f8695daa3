#pragma once
// Where the program's own files live: Config.ini, Config2.ini and Fon.bmp. A portable
// copy (its build folder, an unpacked copy) keeps them beside the program, as always.
// An installed program, which `cmake --install` and the package mark with the file
// kInstalledMarker beside it, reads and writes them in the user's configuration
// folder ($XDG_CONFIG_HOME/rwn8) and reads the ones beside it only as defaults; it
// never writes into its own folder, even where it could (as root).
#include <QString>

// The marker's file name, beside the program.
extern const char* const kInstalledMarker;

// Whether the program in `programDir` was installed (rather than run where it was
// built or unpacked).
bool installedProgram(const QString& programDir);

// The user's configuration folder of the program (not created here).
QString configFolder();

// The file to read: a portable copy's own beside it; an installed program's in the
// configuration folder when there is one there, else the one beside the program,
// else the configuration folder's (missing) one.
QString readablePath(const QString& programDir, const QString& name);

// The file to write: beside a portable copy; an installed program's in the
// configuration folder, which is made when missing.
QString writablePath(const QString& programDir, const QString& name);
