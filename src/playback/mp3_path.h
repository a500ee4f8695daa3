#pragma once
// The one rule for whether a path names an MP3 track, for drops on every window,
// the folder scan and the playlist: the extension after the last "." behind the
// last separator, A–Z lowered, is ".mp3".
#include <QString>

bool isMp3Path(const QString& path);
