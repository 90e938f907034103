#pragma once
// Small but real-shaped files of the common kinds, made by code, and folders mixing them:
// the corpus the wrong-password check is measured on (tests and bench/).
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

#include "common/cp932.h"
#include "crow/FileStructure.h"

namespace wxh::test {

struct CorpusFile {
    std::string name;   // UTF-8
    std::string bytes;
};

struct CorpusFolder {
    std::string label;
    std::vector<CorpusFile> files;
    int recognisable = 0;  // files whose names promise a type their content shows
};

inline std::string Noise(std::mt19937& g, size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(g());
    return s;
}

inline std::string Be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
inline std::string Le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
inline std::string Le16(uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

// Entropy-coded data: each 0xFF followed by the 0x00 that tells it from a marker.
inline std::string Stuffed(const std::string& data) {
    std::string out;
    for (char c : data) {
        out += c;
        if (c == '\xFF') out += '\0';
    }
    return out;
}
inline std::string Jpeg(std::mt19937& g) {
    std::string s("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x48\x00\x48\x00\x00", 20);
    s += std::string("\xFF\xDB\x00\x43\x00", 5) + Noise(g, 64);
    s += std::string("\xFF\xC0\x00\x11\x08\x00\x40\x00\x40\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 19);
    s += std::string("\xFF\xDD\x00\x04\x00\x10", 6);  // a restart interval: a restart marker halfway
    s += std::string("\xFF\xDA\x00\x0C\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 14) + Stuffed(Noise(g, 1500));
    s += "\xFF\xD0" + Stuffed(Noise(g, 1500));
    return s + "\xFF\xD9";
}
inline uint32_t Crc(const std::string& s) { return filestructure::Crc32(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
// A PNG chunk: length, type, data and the CRC of type and data.
inline std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return Be32(static_cast<uint32_t>(data.size())) + body + Be32(Crc(body));
}
inline std::string Png(std::mt19937& g) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", Be32(64) + Be32(64) + std::string("\x08\x02\x00\x00\x00", 5)) +
           PngChunk("IDAT", Noise(g, 2000)) + PngChunk("IEND", "");
}
// LZW codes (clear 256, end 257, colour indices below 256) packed as a GIF decoder of code
// size 8 reads them, the width growing with the table, in sub-blocks.
inline std::string GifCodes(const std::vector<uint32_t>& list) {
    std::string bytes, blocks;
    uint32_t bits = 0, count = 0, width = 9, next = 258;
    bool first = true;
    for (uint32_t code : list) {
        for (bits |= code << count, count += width; count >= 8; bits >>= 8, count -= 8) bytes.push_back(static_cast<char>(bits));
        if (code == 256) {
            width = 9, next = 258, first = true;
        } else if (first) {
            first = false;
        } else if (next < 4096 && ++next == 1u << width && width < 12) {
            ++width;
        }
    }
    if (count > 0) bytes.push_back(static_cast<char>(bits));
    for (size_t at = 0; at < bytes.size(); at += 255)
        blocks += static_cast<char>(std::min<size_t>(255, bytes.size() - at)) + bytes.substr(at, 255);
    return blocks + '\0';
}
inline std::string GifHeader() {
    return std::string("GIF89a\x40\x00\x40\x00\xF7\x00\x00", 13);
}
inline std::string GifImage(const std::vector<uint32_t>& codes) {
    return std::string(",\x00\x00\x00\x00\x40\x00\x40\x00\x00\x08", 11) + GifCodes(codes);
}
// Random colour indices, a clear code before every 254 of them (the table never grows a bit).
inline std::string Gif(std::mt19937& g) {
    std::vector<uint32_t> codes;
    const std::string pixels = Noise(g, 6 * 255);
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 254 == 0) codes.push_back(256);
        codes.push_back(static_cast<uint8_t>(pixels[i]));
    }
    codes.push_back(257);
    return GifHeader() + Noise(g, 768) + GifImage(codes) + ";";
}
inline std::string Bmp(std::mt19937& g) {
    const uint32_t pixels = 32 * 32 * 3;
    return "BM" + Le32(54 + pixels) + Le32(0) + Le32(54) + Le32(40) + Le32(32) + Le32(32) + Le16(1) + Le16(24) +
           Le32(0) + Le32(pixels) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0) + Noise(g, pixels);
}
inline std::string Pdf(std::mt19937& g) {
    return "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
           "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n"
           "3 0 obj\n<< /Length 2000 /Filter /FlateDecode >>\nstream\n" +
           Noise(g, 2000) + "\nendstream\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n";
}
// Raw deflate, as ZIP members hold it.
inline std::string Deflated(const std::string& in) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, in.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}
// A ZIP whose first member is name (stored), as Office documents and plain archives begin,
// then a deflated one: words made of random letters.
inline std::string Zip(std::mt19937& g, const std::string& member, const std::string& content) {
    const auto size = [](const std::string& x) { return Le32(static_cast<uint32_t>(x.size())); };
    std::string s = "PK\x03\x04" + Le16(20) + Le16(0) + Le16(0) + Le32(0) + Le32(Crc(content)) + size(content) + size(content) +
                    Le16(static_cast<uint16_t>(member.size())) + Le16(0) + member + content;
    std::string words = Noise(g, 900);
    for (size_t i = 0; i < words.size(); ++i) words[i] = i % 6 == 5 ? ' ' : static_cast<char>('a' + static_cast<uint8_t>(words[i]) % 8);
    const std::string packed = Deflated(words);
    return s + "PK\x03\x04" + Le16(20) + Le16(0) + Le16(8) + Le32(0) + Le32(Crc(words)) + size(packed) + size(words) + Le16(9) +
           Le16(0) + "word/x.xm" + packed;
}
inline std::string Docx(std::mt19937& g) {
    return Zip(g, "[Content_Types].xml",
               "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Override PartName=\"/word/document.xml\"/></Types>");
}
inline std::string Mp3(std::mt19937& g) {
    std::string s = std::string("ID3\x03\x00\x00\x00\x00\x00\x20", 10) + "TIT2" + Be32(10) + std::string("\x00\x00\x00", 3) +
                    "Song name" + std::string(12, '\0');
    for (int f = 0; f < 6; ++f) s += std::string("\xFF\xFB\x90\x64", 4) + Noise(g, 413);
    return s;
}
inline std::string Mp4(std::mt19937& g) {
    return Be32(24) + "ftypisom" + Be32(0x200) + "isomiso2" + Be32(8) + "free" + Be32(2008) + "mdat" + Noise(g, 2000);
}
// A clip's first sample as x264 begins it: its banner (text) alone in an SEI NAL unit, then a slice.
inline std::string X264Sample(const std::string& text) {
    const std::string sei = std::string("\x06\x05", 2) + static_cast<char>(16 + text.size() + 1) +
                            "\xDC\x45\xE9\xBD\xE6\xD9\x48\xB7\x96\x2C\xD8\x20\xD9\x23\xEE\xEF" + text + '\0' + '\x80';
    return Be32(static_cast<uint32_t>(sei.size())) + sei + Be32(2) + "\x65\x88";
}
// An ftyp box, then body in a top-level box of that type.
inline std::string Mp4Boxed(const std::string& type, const std::string& body) {
    return Be32(24) + "ftypisom" + Be32(0) + "isomiso2" + Be32(static_cast<uint32_t>(8 + body.size())) + type + body;
}
inline std::string Utf8Text(std::mt19937& g) {
    std::string s;
    const char* lines[] = {"今日は良い天気です。散歩に行きましょう。\n", "The quick brown fox jumps over the lazy dog.\n",
                           "メモ：明日の会議は十時から、第二会議室で。\n", "Shopping: milk, eggs, bread, 2 apples.\n"};
    while (s.size() < 3000) s += lines[g() % 4];
    return s;
}
inline std::string SjisText(std::mt19937& g) { return Utf8ToCp932(Utf8Text(g)); }
inline std::string Source(std::mt19937& g) {
    std::string s = "#include <stdio.h>\n\n/* Counts the lines of its input. */\nint main(void) {\n    int c, n = 0;\n";
    while (s.size() < 2500) s += "    while ((c = getchar()) != EOF)\n        if (c == '\\n') ++n;  // " + std::to_string(g() % 1000) + "\n";
    return s + "    printf(\"%d\\n\", n);\n    return 0;\n}\n";
}
inline std::string Python(std::mt19937& g) {
    std::string s = "#!/usr/bin/env python3\n\"\"\"Sums the numbers on each line.\"\"\"\nimport sys\n\n";
    while (s.size() < 2000) s += "def f" + std::to_string(g() % 1000) + "(x):\n    return x * 2 + 1\n\n";
    return s + "for line in sys.stdin:\n    print(sum(int(w) for w in line.split()))\n";
}

// The folders of the corpus: each kind alone, random binaries, and mixtures.
inline std::vector<CorpusFolder> PasswordCorpus() {
    std::mt19937 g(20261207);
    using Maker = std::string (*)(std::mt19937&);
    struct Kind {
        const char* label;
        const char* ext;
        Maker make;
        bool recognisable;
    };
    const std::vector<Kind> kinds = {
        {"JPEG", "jpg", Jpeg, true},      {"PNG", "png", Png, true},         {"GIF", "gif", Gif, true},
        {"BMP", "bmp", Bmp, true},        {"PDF", "pdf", Pdf, true},         {"Office", "docx", Docx, true},
        {"MP3", "mp3", Mp3, true},        {"MP4", "mp4", Mp4, true},         {"UTF-8 text", "txt", Utf8Text, true},
        {"Shift-JIS text", "txt", SjisText, true}, {"C source", "c", Source, true}, {"Python", "py", Python, true},
    };
    std::vector<CorpusFolder> folders;
    for (const Kind& k : kinds) {
        CorpusFolder f{k.label, {}, 0};
        for (int i = 0; i < 4; ++i) f.files.push_back({"file" + std::to_string(i) + "." + k.ext, k.make(g)});
        f.recognisable = 4;
        folders.push_back(std::move(f));
    }
    CorpusFolder zip{"ZIP", {}, 4};
    for (int i = 0; i < 4; ++i) zip.files.push_back({"a" + std::to_string(i) + ".zip", Zip(g, "readme.txt", Utf8Text(g))});
    folders.push_back(std::move(zip));
    CorpusFolder random{"random binaries", {}, 0};
    for (int i = 0; i < 6; ++i) random.files.push_back({"blob" + std::to_string(i) + (i % 2 ? ".bin" : ".dat"), Noise(g, 3000)});
    folders.push_back(std::move(random));
    CorpusFolder mixed{"mixed", {}, 0};
    for (size_t i = 0; i < kinds.size(); ++i) mixed.files.push_back({"写真と文書" + std::to_string(i) + "." + kinds[i].ext, kinds[i].make(g)});
    mixed.files.push_back({"blob.bin", Noise(g, 3000)});
    mixed.files.push_back({"README", Utf8Text(g)});
    mixed.recognisable = static_cast<int>(kinds.size());
    folders.push_back(std::move(mixed));
    CorpusFolder few{"2 pictures, 3 binaries", {}, 2};
    few.files = {{"a.jpg", Jpeg(g)}, {"b.png", Png(g)}, {"c.bin", Noise(g, 900)}, {"d", Noise(g, 900)}, {"e.dat", Noise(g, 900)}};
    folders.push_back(std::move(few));
    CorpusFolder three{"3 pictures among binaries", {}, 3};
    three.files = {{"x.bin", Noise(g, 900)}, {"a.jpg", Jpeg(g)}, {"b.gif", Gif(g)}, {"c.png", Png(g)}, {"y", Noise(g, 900)}};
    folders.push_back(std::move(three));
    return folders;
}

// Wrong passwords near a right one: each one-character typo (the next character), each case
// change, one character less and more, and unrelated ones of other lengths.
inline std::vector<std::string> NearPasswords(const std::string& right) {
    std::vector<std::string> out;
    for (size_t k = 0; k < right.size(); ++k) {
        if (static_cast<unsigned char>(right[k]) >= 0x80) continue;  // ASCII positions only
        std::string t = right;
        t[k] = static_cast<char>(t[k] == '~' ? '!' : t[k] + 1);
        out.push_back(t);
        const char c = right[k];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            std::string u = right;
            u[k] = static_cast<char>(c ^ 0x20);
            out.push_back(u);
        }
    }
    if (right.size() > 1) out.push_back(right.substr(0, right.size() - 1));
    out.push_back(right + "1");
    out.push_back("x");
    out.push_back("password");
    out.push_back("ちがうパスワード");
    return out;
}

}  // namespace wxh::test
