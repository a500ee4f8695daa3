#pragma once
// Start-up after the single-instance check: the splash, then every window once,
// hidden, in the designed order, into the registry.
#include <QString>

// Creates the windows; false when the player could not start its engine (the
// message was shown and the program is to end).
// `device` is the engine's output (-1 the default device, 0 no sound).
bool createWindows(const QString& programDir, int device = -1);
// Shows the player window (its position was set at its creation).
void showPlayer();
// Destroys the windows in the reverse order of their creation.
void destroyWindows();
