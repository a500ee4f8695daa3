#pragma once
// What the player keeps between runs in Config2.ini (beside the program, or in the
// user's configuration folder when the program's folder cannot be written): its
// place and the volume thumb's left. Read at creation; written only by the close button.
#include <QPoint>

class Config2File;

struct PlayerSettings {
    QPoint place{285, 168};    // [Form info] Left, Top
    int volumeThumbLeft = 16;  // [Image info] Leftaa: silent until the user turns it up

    static PlayerSettings load(const Config2File& file);
    // Writes these keys and keeps every other line of the file; false when the
    // file could not be written (the old one is then left whole).
    bool save(const Config2File& file) const;
};
