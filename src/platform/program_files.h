#pragma once
// Where the program's own files live: Config.ini, Config2.ini and Fon.bmp. A copy
// run from its build or a portable folder keeps them beside the program, as always;
// an installed program, whose folder it may not write, keeps them in the user's
// configuration folder ($XDG_CONFIG_HOME/rwn8).
#include <QString>

// The user's configuration folder of the program (not created here).
QString configFolder();

// The file to read: beside the program when its folder can be written (a portable
// copy); otherwise the configuration folder's copy when there is one, else the one
// beside the program, else the configuration folder's (missing) one.
QString readablePath(const QString& programDir, const QString& name);

// The file to write: beside the program when that folder can be written, otherwise
// in the configuration folder, which is made when missing.
QString writablePath(const QString& programDir, const QString& name);
