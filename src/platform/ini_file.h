#pragma once
// An INI file read and written by the desktop's profile-file rules: section and
// key names match without regard to case, the first matching section and key
// win, values are trimmed and read up to 2047 bytes, and writing a key keeps
// every other line of the file. Saving is atomic. Every byte of the file is kept,
// as path_bytes.h holds a path.
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class IniFile {
public:
    explicit IniFile(QString path);

    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // Optional sign and leading digits ("12abc" reads 12); anything else gives `fallback`.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Replaces the lines of the section (its first of that name) with one line per key,
    // in one pass however many keys (writeString looks each key up again); the section
    // is added at the end when the file has none. `keys` and `values` pair by index.
    void writeSection(const QString& section, const QStringList& keys, const QStringList& values);
    // Writes the file if anything was written; false (file untouched) when that fails.
    bool save();

    const QString& path() const { return path_; }
    // Saves to another file from now on (the lines read stay, all of them to be written).
    void setPath(const QString& path);

private:
    struct Found {
        int sectionLine = -1;  // the section's header line
        int sectionEnd = -1;   // the line after its last line
        int keyLine = -1;
    };
    Found find(const QString& section, const QString& key) const;
    // Where each section that a lookup can reach lies, and its keys: built on the
    // first lookup after the lines changed, so that reading n keys visits each line
    // once rather than n times (a start-up list has a key per row). A section's keys
    // are gathered on the first lookup in it: a kept list of 100 000 rows costs
    // nothing to whoever reads another section of the file.
    struct Section {
        int headerLine = -1;
        int end = -1;
        mutable std::optional<QHash<QString, int>> keys;  // case-folded name: the first line giving it
    };
    struct Index {
        std::vector<Section> sections;
        QHash<QString, int> byName;  // case-folded name: its first section
    };
    const Index& index() const;

    QString path_;
    QStringList lines_;
    mutable std::optional<Index> index_;
    bool dirty_ = false;
};

// Profile-file integer rule on a text (exposed for its tests).
int profileInteger(const QString& text, int fallback);
