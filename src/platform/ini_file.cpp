#include "ini_file.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr int kMaxValue = 2047;

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith('[')) return {};
    const int close = t.indexOf(']');
    return close < 0 ? QString() : t.mid(1, close - 1).trimmed();
}

bool isSection(const QString& line) { return line.trimmed().startsWith('['); }

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
    const QString text = QString::fromUtf8(f.readAll());
    lines_ = splitLines(text);
    if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
}

IniFile::Found IniFile::find(const QString& section, const QString& key) const {
    Found found;
    for (int i = 0; i < lines_.size(); ++i) {
        if (!isSection(lines_[i])) continue;
        if (found.sectionLine >= 0) {
            found.sectionEnd = i;
            return found;
        }
        if (sectionName(lines_[i]).compare(section, Qt::CaseInsensitive) == 0) found.sectionLine = i;
        if (found.sectionLine != i) continue;
        for (int k = i + 1; k < lines_.size() && !isSection(lines_[k]); ++k) {
            const int eq = lines_[k].indexOf('=');
            if (eq < 0 || lines_[k].trimmed().startsWith(';')) continue;
            if (lines_[k].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                found.keyLine = k;
                break;
            }
        }
    }
    if (found.sectionLine >= 0) found.sectionEnd = int(lines_.size());
    return found;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const {
    const Found f = find(section, key);
    if (f.keyLine < 0) return fallback;
    const QString& line = lines_[f.keyLine];
    return line.mid(line.indexOf('=') + 1).trimmed().left(kMaxValue);
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const Found f = find(section, key);
    if (f.keyLine < 0) return fallback;
    return profileInteger(readString(section, key, QString()), fallback);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString line = key + "=" + value;
    const Found f = find(section, key);
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
    QByteArray text;
    for (const QString& l : lines_) text += (l + "\r\n").toUtf8();
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
