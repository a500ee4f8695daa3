#include "tag_writer.h"

#include "mp3_maker.h"

#include <taglib/apetag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/relativevolumeframe.h>
#include <taglib/textidentificationframe.h>

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace fixture {
namespace {

TagLib::String text(const std::string& s, V2Text enc) {
    return enc == V2Text::Latin1 ? TagLib::String(s, TagLib::String::Latin1) : TagLib::String(s, TagLib::String::UTF8);
}

void setFrame(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value, V2Text enc) {
    if (value.empty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id);
    frame->setTextEncoding(enc == V2Text::Latin1  ? TagLib::String::Latin1
                           : enc == V2Text::Utf16 ? TagLib::String::UTF16
                                                  : TagLib::String::UTF8);
    frame->setText(text(value, enc));
    tag.addFrame(frame);  // the tag owns the frame
}

std::string encodeAs(const char* charset, const std::string& utf8) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv for charset");
    std::vector<char> out(utf8.size() + 4);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = out.data();
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == size_t(-1)) throw std::runtime_error("text not representable in charset");
    return std::string(out.data(), out.size() - outLeft);
}

void field(std::string& tag, const std::string& value, size_t size) {
    std::string v = value.substr(0, size);
    v.resize(size, '\0');
    tag += v;
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string syncsafe(uint32_t v) {
    return {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F), char(v & 0x7F)};
}

std::string randomBytes(size_t n) {
    std::mt19937 rng{uint32_t(n)};
    std::string out(n, '\0');
    for (char& c : out) c = char(rng());
    return out;
}

}  // namespace

std::string rawApeTag(size_t bytes, bool withHeader) {
    const std::string item =
        le32(uint32_t(bytes)) + le32(1u << 1) + std::string("Cover Art (Front)", 18) + randomBytes(bytes);
    auto frame = [&](uint32_t flags) {
        return "APETAGEX" + le32(2000) + le32(uint32_t(item.size() + 32)) + le32(1) + le32(flags) +
               std::string(8, '\0');
    };
    const uint32_t hasHeader = withHeader ? 1u << 31 : 0;
    return (withHeader ? frame(hasHeader | 1u << 29) : "") + item + frame(hasHeader);
}

std::string rawLyrics3(const std::string& lyrics) {
    char size[16];
    std::snprintf(size, sizeof size, "%05zu", lyrics.size());
    const std::string body = "LYRICSBEGIN" + std::string("LYR") + size + lyrics;
    std::snprintf(size, sizeof size, "%06zu", body.size());
    return body + size + "LYRICS200";
}

std::string rawId3v2WithFooter(size_t bytes) {
    const std::string size = syncsafe(uint32_t(bytes));
    return std::string("ID3\x04\x00\x10", 6) + size + randomBytes(bytes) + std::string("3DI\x04\x00\x10", 6) + size;
}

void writeId3v2(const std::string& path, const TagSpec& t, int version, V2Text encoding) {
    TagLib::MPEG::File file(path.c_str(), false);
    auto* tag = file.ID3v2Tag(true);
    setFrame(*tag, "TIT2", t.title, encoding);
    setFrame(*tag, "TPE1", t.artist, encoding);
    setFrame(*tag, "TALB", t.album, encoding);
    setFrame(*tag, "TCON", t.genre, encoding);
    setFrame(*tag, version == 3 ? "TYER" : "TDRC", t.year, encoding);
    const auto v = version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, v))
        throw std::runtime_error("cannot save ID3v2 to " + path);
}

void writeApe(const std::string& path, const TagSpec& t) {
    TagLib::MPEG::File file(path.c_str(), false);
    auto* tag = file.APETag(true);
    auto put = [&](const char* key, const std::string& v) {
        if (!v.empty()) tag->addValue(key, TagLib::String(v, TagLib::String::UTF8));
    };
    put("TITLE", t.title);
    put("ARTIST", t.artist);
    put("ALBUM", t.album);
    put("GENRE", t.genre);
    put("YEAR", t.year);
    if (!file.save(TagLib::MPEG::File::APE, TagLib::File::StripNone))
        throw std::runtime_error("cannot save APE to " + path);
}

void writeLevels(const std::string& path, LevelTag where, const LevelTexts& v) {
    const std::pair<const char*, const std::string*> texts[] = {{"REPLAYGAIN_TRACK_GAIN", &v.trackGain},
                                                                {"REPLAYGAIN_TRACK_PEAK", &v.trackPeak},
                                                                {"REPLAYGAIN_ALBUM_GAIN", &v.albumGain},
                                                                {"REPLAYGAIN_ALBUM_PEAK", &v.albumPeak}};
    TagLib::MPEG::File file(path.c_str(), false);
    if (where == LevelTag::Ape) {
        auto* tag = file.APETag(true);
        for (const auto& [key, text] : texts)
            if (!text->empty()) tag->addValue(key, TagLib::String(*text, TagLib::String::UTF8));
        if (!file.save(TagLib::MPEG::File::APE, TagLib::File::StripNone))
            throw std::runtime_error("cannot save APE to " + path);
        return;
    }
    auto* tag = file.ID3v2Tag(true);
    if (where == LevelTag::Txxx) {
        for (const auto& [key, text] : texts) {
            if (text->empty()) continue;
            auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
            frame->setDescription(key);
            frame->setText(TagLib::String(*text, TagLib::String::UTF8));
            tag->addFrame(frame);  // the tag owns the frame
        }
    } else {
        using Rva2 = TagLib::ID3v2::RelativeVolumeFrame;
        auto add = [&](const char* id, const std::string& gain, const std::string& peak) {
            if (gain.empty()) return;
            auto* frame = new Rva2();
            frame->setIdentification(id);
            frame->setVolumeAdjustment(std::stof(gain), Rva2::MasterVolume);
            if (!peak.empty()) {
                const auto p = uint16_t(std::min(65535L, std::lround(std::stod(peak) * 32768)));
                Rva2::PeakVolume pv;
                pv.bitsRepresentingPeak = 16;
                pv.peakVolume = TagLib::ByteVector::fromShort(short(p), true);
                frame->setPeakVolume(pv, Rva2::MasterVolume);
            }
            tag->addFrame(frame);
        };
        add("track", v.trackGain, v.trackPeak);
        add("album", v.albumGain, v.albumPeak);
    }
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4))
        throw std::runtime_error("cannot save ID3v2 to " + path);
}

void appendRawId3v1(const std::string& path, const TagSpec& t, unsigned char genre) {
    std::string tag = "TAG";
    field(tag, t.title, 30);
    field(tag, t.artist, 30);
    field(tag, t.album, 30);
    field(tag, t.year, 4);
    field(tag, "", 30);
    tag += char(genre);
    writeBytes(path, readBytes(path) + tag);
}

std::string cp1251(const std::string& utf8) { return encodeAs("CP1251", utf8); }
std::string koi8r(const std::string& utf8) { return encodeAs("KOI8-R", utf8); }

}  // namespace fixture
