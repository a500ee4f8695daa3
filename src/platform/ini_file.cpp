#include "ini_file.h"

#include "path_bytes.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr int kMaxValue = 2047;  // bytes

// A value is read up to kMaxValue bytes, as the system's profile reader reads it.
QString atMostMaxBytes(QStringView value) {
    // No character takes more than three bytes, a byte kept as it is one.
    if (value.size() * 3 <= kMaxValue) return value.toString();
    return pathFromBytes(pathToBytes(value.toString()).left(kMaxValue));
}

// Views rather than copies: a start-up list has a line per row.
QStringView sectionName(QStringView line) {
    const QStringView t = line.trimmed();
    if (!t.startsWith('[')) return {};
    const qsizetype close = t.indexOf(']');
    return close < 0 ? QStringView() : t.mid(1, close - 1).trimmed();
}

bool isSection(QStringView line) { return line.trimmed().startsWith('['); }

// Names compared without regard to case, as case-folded copies; ASCII, nearly every
// name, folded by hand without a second copy.
QString folded(QStringView name) {
    QString out = name.toString();
    for (QChar& c : out) {
        if (c.unicode() >= 128) return out.toCaseFolded();
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    }
    return out;
}

// Lines ended by CR LF, LF or CR. By hand rather than by a regular expression: that
// one use would load and compile the expression engine into every session.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r') continue;
        lines << text.mid(from, i - from);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        from = i + 1;
    }
    lines << text.mid(from);
    return lines;
}

}  // namespace

int profileInteger(const QString& text, int fallback) {
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    const int digitsFrom = i;
    long long value = 0;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128) {
        value = std::min<long long>(value * 10 + (t[i].unicode() - '0'), 1LL << 32);
        ++i;
    }
    if (i == digitsFrom) return fallback;
    return static_cast<int>(negative ? -value : value);
}

IniFile::IniFile(QString path) : path_(std::move(path)) {
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) return;
    // Every byte kept: values may be paths that are not UTF-8 (path_bytes.h). A
    // byte-order mark that an editor put at the start is no part of the first line, nor
    // is a second one that an editor put before it: a mark left there would hide the first
    // section, and a save would then keep that mark and, read again, unhide the old values.
    QByteArray bytes = f.readAll();
    qsizetype marks = 0;
    while (bytes.mid(marks, 3) == "\xEF\xBB\xBF") marks += 3;
    bytes.remove(0, marks);
    const QString text = pathFromBytes(bytes);
    lines_ = splitLines(text);
    if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
}

// The first section of each name wins, with the first line of each key in it: a
// key missing there is not looked for in a later section of the same name.
const IniFile::Index& IniFile::index() const {
    if (index_) return *index_;
    Index& idx = index_.emplace();
    Section* open = nullptr;  // the section being read, when it is the first of its name
    for (int i = 0; i < lines_.size(); ++i) {
        const QString& line = lines_[i];
        if (!isSection(line)) continue;
        if (open) open->end = i;
        open = nullptr;
        const QString name = folded(sectionName(line));
        if (idx.byName.contains(name)) continue;
        idx.byName.insert(name, int(idx.sections.size()));
        open = &idx.sections.emplace_back();
        open->headerLine = i;
    }
    if (open) open->end = int(lines_.size());
    return idx;
}

IniFile::Found IniFile::find(const QString& section, const QString& key) const {
    const Index& idx = index();
    const auto s = idx.byName.constFind(folded(section));
    if (s == idx.byName.constEnd()) return {};
    const Section& found = idx.sections[size_t(*s)];
    if (!found.keys) {
        QHash<QString, int>& keys = found.keys.emplace();
        for (int i = found.headerLine + 1; i < found.end; ++i) {
            const QString& line = lines_[i];
            const qsizetype eq = line.indexOf('=');
            if (eq < 0 || QStringView(line).trimmed().startsWith(';')) continue;
            const QString name = folded(QStringView(line).left(eq).trimmed());
            if (!keys.contains(name)) keys.insert(name, i);
        }
    }
    const auto k = found.keys->constFind(folded(key));
    return {found.headerLine, found.end, k == found.keys->constEnd() ? -1 : *k};
}

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const {
    const Found f = find(section, key);
    if (f.keyLine < 0) return fallback;
    const QString& line = lines_[f.keyLine];
    return atMostMaxBytes(QStringView(line).mid(line.indexOf('=') + 1).trimmed());
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const Found f = find(section, key);
    if (f.keyLine < 0) return fallback;
    return profileInteger(readString(section, key, QString()), fallback);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString line = key + "=" + value;
    const Found f = find(section, key);
    index_.reset();
    if (f.keyLine >= 0) {
        lines_[f.keyLine] = line;
    } else if (f.sectionLine >= 0) {
        // After the section's last non-blank line, so its blank separator stays last.
        int at = f.sectionEnd;
        while (at - 1 > f.sectionLine && lines_[at - 1].trimmed().isEmpty()) --at;
        lines_.insert(at, line);
    } else {
        lines_ << "[" + section + "]" << line;
    }
    dirty_ = true;
}

void IniFile::writeSection(const QString& section, const QStringList& keys, const QStringList& values) {
    // Found by a plain look at the headers: the index would hash every key of the file,
    // the old section's included, only to have them replaced.
    const QString name = folded(section);
    int header = -1;
    for (int i = 0; i < lines_.size() && header < 0; ++i)
        if (isSection(lines_[i]) && folded(sectionName(lines_[i])) == name) header = i;
    int end = int(lines_.size());
    if (header >= 0) {
        for (int i = header + 1; i < lines_.size(); ++i)
            if (isSection(lines_[i])) {
                end = i;
                break;
            }
        // Its blank separator stays last, as writeString keeps it.
        while (end - 1 > header && lines_[end - 1].trimmed().isEmpty()) --end;
    }
    const qsizetype n = std::min(keys.size(), values.size());
    QStringList out;
    out.reserve(lines_.size() + n + 1);
    out.append(lines_.mid(0, header >= 0 ? header + 1 : int(lines_.size())));
    if (header < 0) out << "[" + section + "]";
    for (qsizetype k = 0; k < n; ++k) out << keys[k] + u'=' + values[k];
    if (header >= 0) out.append(lines_.mid(end));
    lines_ = std::move(out);
    index_.reset();
    dirty_ = true;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::setPath(const QString& path) {
    if (path == path_) return;
    path_ = path;
    dirty_ = true;
}

bool IniFile::save() {
    if (!dirty_) return true;
    // Sized once: a kept list makes a file of megabytes.
    qsizetype size = 0;
    for (const QString& l : lines_) size += l.size() + 2;
    QByteArray text;
    text.reserve(size + size / 2);
    for (const QString& l : lines_) {
        text += pathToBytes(l);
        text += "\r\n";
    }
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly)) return false;
    // A short write (a full disk, a size limit) is not always reported by the commit:
    // checked here, so the old file is kept rather than replaced by a cut copy.
    if (f.write(text) != text.size() || !f.flush()) {
        f.cancelWriting();
        f.commit();
        return false;
    }
    if (!f.commit()) return false;
    dirty_ = false;
    return true;
}
