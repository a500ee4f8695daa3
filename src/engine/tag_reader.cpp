#include "tag_reader.h"

#include "charset.h"

#include <taglib/apetag.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <cctype>

namespace engine {
namespace {

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string v1GenreName(const std::string& digits) {
    if (digits.size() > 3) return digits;
    return TagLib::ID3v1::genre(std::stoi(digits)).to8Bit(true);
}

// A TagLib string that came from 8-bit bytes: its characters are those bytes.
std::string fromEightBit(const TagLib::String& s) { return text::eightBitToUtf8(s.to8Bit(false)); }

std::string frameText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const auto& frames = tag.frameListMap();
    auto it = frames.find(id);
    if (it == frames.end() || it->second.isEmpty()) return {};
    const auto* frame = it->second.front();
    const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
    if (!text) return frame->toString().to8Bit(true);
    TagLib::String joined = text->fieldList().toString(" ");
    if (text->textEncoding() == TagLib::String::Latin1) return fromEightBit(joined);
    return joined.to8Bit(true);
}

std::string firstGenre(const TagLib::ID3v2::Tag& tag) {
    const auto& frames = tag.frameListMap();
    auto it = frames.find("TCON");
    if (it == frames.end() || it->second.isEmpty()) return {};
    const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(it->second.front());
    if (!text) return {};
    const bool eightBit = text->textEncoding() == TagLib::String::Latin1;
    for (const auto& field : text->fieldList()) {
        std::string name = genreName(eightBit ? fromEightBit(field) : field.to8Bit(true));
        if (!name.empty()) return name;
    }
    return {};
}

void fillMissing(std::string& into, const std::string& from) {
    if (into.empty()) into = from;
}

void readId3v2(const TagLib::ID3v2::Tag& tag, TrackTags& t) {
    fillMissing(t.title, frameText(tag, "TIT2"));
    fillMissing(t.artist, frameText(tag, "TPE1"));
    fillMissing(t.album, frameText(tag, "TALB"));
    fillMissing(t.genre, firstGenre(tag));
    fillMissing(t.year, frameText(tag, "TDRC"));
    fillMissing(t.year, frameText(tag, "TYER"));
}

void readApe(const TagLib::APE::Tag& tag, TrackTags& t) {
    const auto& items = tag.itemListMap();
    auto item = [&](const char* key) -> std::string {
        auto it = items.find(key);
        return it == items.end() ? std::string() : it->second.toString().to8Bit(true);
    };
    fillMissing(t.title, item("TITLE"));
    fillMissing(t.artist, item("ARTIST"));
    fillMissing(t.album, item("ALBUM"));
    fillMissing(t.genre, genreName(item("GENRE")));
    fillMissing(t.year, item("YEAR"));
}

void readId3v1(const TagLib::ID3v1::Tag& tag, TrackTags& t) {
    fillMissing(t.title, fromEightBit(tag.title()));
    fillMissing(t.artist, fromEightBit(tag.artist()));
    fillMissing(t.album, fromEightBit(tag.album()));
    fillMissing(t.genre, tag.genre().to8Bit(true));
    if (tag.year() > 0) fillMissing(t.year, std::to_string(tag.year()));
}

}  // namespace

std::string genreName(const std::string& text) {
    if (allDigits(text)) return v1GenreName(text);
    if (text.size() > 2 && text[0] == '(') {
        const size_t close = text.find(')');
        if (close != std::string::npos) {
            const std::string inner = text.substr(1, close - 1);
            const std::string rest = text.substr(close + 1);
            if (!rest.empty()) return rest;
            if (allDigits(inner)) return v1GenreName(inner);
            if (inner == "RX") return "Remix";
            if (inner == "CR") return "Cover";
        }
    }
    return text;
}

TrackTags readTags(const std::string& path) {
    TrackTags t;
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) return t;
    if (const auto* v2 = file.ID3v2Tag(false)) readId3v2(*v2, t);
    if (const auto* ape = file.APETag(false)) readApe(*ape, t);
    if (const auto* v1 = file.ID3v1Tag(false)) readId3v1(*v1, t);
    return t;
}

}  // namespace engine
