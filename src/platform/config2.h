#pragma once
// Config2.ini's one writer. The close button's keys, the settings window's "Settings"
// section and the kept list are saved at different moments; each save reads the file as
// it stands, changes its own keys and saves atomically, so that no save overwrites what
// another wrote. The program makes one and hands it to whoever saves. Updates may come
// from any thread (the kept list is written off the interface thread) and are done one
// at a time, process-wide, so that none loses another's keys.
#include "ini_file.h"

#include <QString>

#include <functional>

class Config2File {
public:
    explicit Config2File(QString programDir);

    // The file as it stands (the configuration folder's or the one beside the program).
    IniFile read() const;
    // Applies `edit` to the file as it stands and saves it where it can be written;
    // false (the old file left whole) when that fails.
    bool update(const std::function<void(IniFile&)>& edit) const;

    const QString& programDir() const { return programDir_; }

    // While one lives, the reads that find Config2.ini unchanged share one reading of it:
    // start-up reads it for the kept list and again for each window's own keys, and a
    // kept list of 100 000 rows makes each reading cost. Made and ended on one thread.
    class SharedReading {
    public:
        SharedReading();
        ~SharedReading();
        SharedReading(const SharedReading&) = delete;
        SharedReading& operator=(const SharedReading&) = delete;
    };

private:
    QString programDir_;
};

// The settings window's choices, section "Settings" of Config2.ini. A missing or
// unreadable key is its default, with which the player behaves as it always did.
enum class Levelling { None = 0, Tracks = 1, Albums = 2 };  // "ReplayGain" 0, 1, 2

struct UserSettings {
    bool hints = false;                     // "Hints": the buttons' hints as tooltips
    Levelling levelling = Levelling::None;  // "ReplayGain"
    bool keepList = false;                  // "KeepList": the list kept from one start to the next

    static UserSettings load(const Config2File& file);
    // Writes the three keys; false (file untouched) when that fails.
    bool save(const Config2File& file) const;
    bool operator==(const UserSettings&) const = default;
};
