#pragma once
// Start-up after the single-instance check: the splash, then every window once,
// hidden, in the designed order, into the registry.
#include <QString>

// Creates the windows; false when the player could not start its engine (the
// message was shown and the program is to end).
bool createWindows(const QString& programDir);
// Shows the player window (its position was set at its creation).
void showPlayer();
// Destroys the windows in the reverse order of their creation.
void destroyWindows();
