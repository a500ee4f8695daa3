#pragma once
// The playlist kept from one start to the next (the settings' "KeepList"): the rows,
// as Config.ini holds them, and the loaded track, in Config2.ini's sections
// "KeptList" and "KeptTrack". They are saved at every way out and a few seconds after
// the list or the playing changed, so a crash loses only what changed since; at the
// next start they replace Config.ini's list. Interface thread only.
#include "config2.h"
#include "playback_state.h"

#include <QStringList>
#include <QTimer>

#include <future>
#include <optional>

class IniFile;
class TForm2;
class TForm_player;

struct KeptTrack {
    int index = 0;          // TrackIndex
    qint64 positionMs = 0;  // where the loaded track was heard
    PlayStatus state = PlayStatus::stopped;
    bool operator==(const KeptTrack&) const = default;
};

struct KeptList {
    QStringList rows;
    KeptTrack track;

    // What Config2.ini keeps; none when it keeps nothing, or a list whose "Count"
    // disagrees with its rows (edited by hand): Config.ini's list is used then.
    static std::optional<KeptList> load(const IniFile& ini);
    // Writes both sections in one save, without the rows that an INI value cannot give
    // back (iniHolds); the track's index then counts the rows kept, and a loaded track
    // left out is kept stopped. The number of rows left out, or -1 when the file could
    // not be written (the old one is left whole).
    int save(const Config2File& file) const;
};

// Whether an INI value reads back as `row`: no line break, no blank at either end
// (values are trimmed), at most 2047 bytes.
bool iniHolds(const QString& row);

// Saves the kept list while "KeepList" is on: now at a way out, and once a few seconds
// have passed after a change, so a run of changes costs one save. `app` connects the
// player's changes and ways out to it.
// Threads: everything here runs on the interface thread, except the later save itself:
// the list and the track are taken there, and written by a thread of the save's own
// (a long list takes a tenth of a second to write), through Config2File, which does one
// update at a time. A save at a way out waits for one still running, then writes at once.
class ListKeeper : public QObject {
public:
    ListKeeper(TForm2& list, TForm_player& player, bool keeping, QObject* parent = nullptr);
    ~ListKeeper() override;

    // The settings' "KeepList"; switched on, the list is saved soon.
    void setKeeping(bool on);
    bool keeping() const { return keeping_; }
    // The list or the playing changed.
    void changed();
    // At a way out or the session's end: saved now, while the engine still knows where
    // the track is. Nothing is written while "KeepList" is off.
    void saveNow();
    // The list and the loaded track as they stand.
    KeptList current() const;

    static constexpr int kDelayMs = 2000;

private:
    TForm2& list_;
    TForm_player& player_;
    void saveLater();
    void waitForSave();
    bool keeping_;
    QTimer soon_;
    std::future<int> writing_;  // the later save, while it runs
};
