// Writes the fuzz targets' seed corpora into a folder, made from the test fixtures
// (no binary file is kept in the repository): make_fuzz_seeds OUT makes OUT/engine,
// OUT/m3u, OUT/ini, OUT/charset and OUT/open_request.
#include "mp3_maker.h"
#include "open_request.h"
#include "tag_writer.h"

#include <cstdio>
#include <filesystem>
#include <string>

using namespace fixture;
namespace fs = std::filesystem;

namespace {

// Short, small files: the fuzzer mutates every byte, so seeds stay a few KB.
ToneSpec small(double seconds, int rate, int channels, int kbps) {
    ToneSpec r;
    r.seconds = seconds;
    r.rate = rate;
    r.channels = channels;
    r.kbps = kbps;
    return r;
}

void engineSeeds(const fs::path& dir) {
    const auto at = [&](const char* name) { return (dir / name).string(); };
    makeMp3(at("cbr.mp3"), small(0.3, 22050, 1, 32));
    ToneSpec vbr = small(0.3, 44100, 2, 64);
    vbr.vbrQuality = 7;
    makeMp3(at("vbr.mp3"), vbr);
    ToneSpec bare = small(0.3, 8000, 1, 8);  // MPEG-2.5, no Info header
    bare.infoTag = false;
    makeMp3(at("mpeg25.mp3"), bare);
    makeMp3(at("mpeg2.mp3"), small(0.3, 16000, 2, 24));
    makeMp3(at("id3v2.mp3"), small(0.2, 22050, 1, 32));
    writeId3v2(at("id3v2.mp3"), {"Звезда", "Кино", "Альбом", "Rock", "1989"}, 4, V2Text::Utf8);
    makeMp3(at("id3v23.mp3"), small(0.2, 22050, 1, 32));
    writeId3v2(at("id3v23.mp3"), {cp1251("Группа крови"), cp1251("Кино"), "", "", "1988"}, 3, V2Text::Latin1);
    makeMp3(at("ape.mp3"), small(0.2, 22050, 1, 32));
    writeApe(at("ape.mp3"), {"Title", "Artist", "Album", "Jazz", "2001"});
    makeMp3(at("id3v1.mp3"), small(0.2, 22050, 1, 32));
    appendRawId3v1(at("id3v1.mp3"), {koi8r("Песня"), koi8r("Автор"), "", "", "1999"}, 17);
    // Damage: cut short, and garbage in the middle.
    const std::string whole = readBytes(at("cbr.mp3"));
    writeBytes(at("truncated.mp3"), whole.substr(0, whole.size() / 2));
    writeBytes(at("garbage.mp3"),
               whole.substr(0, whole.size() / 2) + std::string(700, '\x5a') + whole.substr(whole.size() / 2));
    writeBytes(at("tags-only.mp3"), readBytes(at("id3v2.mp3")).substr(0, 200));
}

void m3uSeeds(const fs::path& dir) {
    writeBytes((dir / "extended.m3u").string(),
               "#EXTM3U\r\n#EXTINF:205,Звезда\r\n/music/Кино/Звезда.mp3\r\n#EXTINF:0,x\r\nrelative/a.mp3\r\n");
    writeBytes((dir / "plain.m3u").string(), "a.mp3\nb.mp3\rc.mp3\r\n\r\nd.mp3");
    writeBytes((dir / "cp1251.m3u").string(), cp1251("D:\\Музыка\\Ария.mp3\r\n"));
    writeBytes((dir / "nul.m3u").string(), std::string("a.mp3\r\nb\0c.mp3\r\n", 16));
    writeBytes((dir / "bom.m3u").string(), "\xEF\xBB\xBF#EXTM3U\n/x.mp3\n");
    // Found by the fuzzer: a row that begins with a byte-order mark keeps it.
    writeBytes((dir / "bom-row.m3u").string(), std::string("\xEF\xBB\xBF\xEF\xBB\xBF#EXT\0\0\0\0/x", 16));
}

void iniSeeds(const fs::path& dir) {
    writeBytes((dir / "Config.ini").string(),
               "[ItemsCount]\r\nCount=2\r\n[PlayList]\r\nfile1=/m/a.mp3\r\nfile2=/m/Б.mp3\r\n");
    writeBytes((dir / "Config2.ini").string(), "[Form info]\r\nLeft=285\r\nTop=168\r\n[Image info]\r\nLeftaa=16\r\n");
    writeBytes((dir / "odd.ini").string(), "; note\n[form INFO ]\n left = -12abc \n[Form info]\nLeft=9\n=\n[\n]x=1\n");
}

void charsetSeeds(const fs::path& dir) {
    writeBytes((dir / "cp1251").string(), cp1251("Группа крови"));
    writeBytes((dir / "koi8r").string(), koi8r("Группа крови"));
    writeBytes((dir / "latin1").string(), "Caf\xE9 Ol\xE9");
    writeBytes((dir / "ascii").string(), "Kino - Zvezda");
    writeBytes((dir / "utf8").string(), "Звезда по имени Солнце");
    writeBytes((dir / "caps").string(), cp1251("ДДТ"));
}

void openRequestSeeds(const fs::path& dir) {
    const auto put = [&](const char* name, const QByteArray& bytes) {
        writeBytes((dir / name).string(), bytes.toStdString());
    };
    const QByteArray two = encodeOpenRequest({"/home/u/Музыка/Кино - Звезда.mp3", "/m/list.m3u8"});
    put("two", two);
    put("not-utf8", encodeOpenRequest({QByteArray("/m/\xC7\xE2\xE5\xE7\xE4\xE0.mp3"), "/a b/c.MP3"}));
    put("none", encodeOpenRequest({}));
    put("truncated", two.left(two.size() - 3));
    put("longer", two + "x");
    put("over-16mb", QByteArray("RWN8OPEN\x01\x00\x00\x01", 12));
    put("count-past-end", QByteArray("RWN8OPEN\x00\x00\x00\x08\x00\x00\x00\x05\x00\x00\x00\x01/", 21));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OUT\n");
        return 2;
    }
    const fs::path out(argv[1]);
    const struct {
        const char* name;
        void (*make)(const fs::path&);
    } corpora[] = {{"engine", engineSeeds},
                   {"m3u", m3uSeeds},
                   {"ini", iniSeeds},
                   {"charset", charsetSeeds},
                   {"open_request", openRequestSeeds}};
    for (const auto& c : corpora) {
        fs::create_directories(out / c.name);
        c.make(out / c.name);
    }
    return 0;
}
