#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <sys/stat.h>

#include "crow/CrowFormat.h"
#include "crow/FileStructure.h"
#include "crow/PasswordCheck.h"
#include "crow/WxhObject.h"
#include "support/PasswordCorpus.h"
#include "support/TempDir.h"

namespace wxh {
namespace {

using Verdict = PasswordJudgement::Verdict;

// Packs with one password and decodes with another, as a release would, in memory.
PasswordJudgement JudgeWith(const test::CorpusFolder& f, const std::string& packed, const std::string& given) {
    const crowfmt::KeyStream in(crowfmt::KeyFromPassword(packed)), out(crowfmt::KeyFromPassword(given));
    std::vector<std::string> names;
    std::vector<uint64_t> sizes;
    for (const auto& file : f.files) {
        names.push_back(file.name);
        sizes.push_back(file.bytes.size());
    }
    return JudgePassword(names, [&](size_t i, uint8_t* buf, size_t max) {
        const size_t n = std::min(max, f.files[i].bytes.size());
        std::memcpy(buf, f.files[i].bytes.data(), n);
        in.Subtract(buf, n, 0);
        out.Add(buf, n, 0);
        return n;
    }, crowfmt::KeyFromPassword(given).size(), sizes);
}

// The whole corpus: never a false alarm with the right password; never a verdict where too
// few names promise a recognisable type; wrong passwords near the right one caught.
TEST(PasswordCheck, CorpusRightNeverRefusedWrongCaught) {
    const std::vector<std::string> rights = {"a", "secret", "Tr0ub4dor&3", "パスワード1", "correct horse"};
    std::map<std::string, std::pair<int, int>> table;  // folder -> caught, tried
    for (const test::CorpusFolder& f : test::PasswordCorpus()) {
        for (const std::string& right : rights) {
            const PasswordJudgement ok = JudgeWith(f, right, right);
            EXPECT_NE(ok.verdict, Verdict::LooksWrong) << f.label << " with the right password " << right;
            if (f.recognisable >= 3) {
                EXPECT_EQ(ok.verdict, Verdict::Plausible) << f.label << " " << right;
            }
            for (const std::string& wrong : test::NearPasswords(right)) {
                const PasswordJudgement bad = JudgeWith(f, right, wrong);
                auto& [caught, tried] = table[f.label];
                ++tried;
                if (bad.verdict == Verdict::LooksWrong) ++caught;
                if (f.recognisable < 3) {
                    EXPECT_NE(bad.verdict, Verdict::Plausible) << f.label << ": undecidable, yet judged";
                }
            }
        }
    }
    // What each folder must at least catch (of 82 wrong passwords): texts see a wrong
    // character anywhere in the password, signatures at a file's start only those that
    // change the bytes they cover, the structure behind them (PNG's CRCs, GIF's LZW codes,
    // JPEG's stuffed scan, BMP's header fields, ZIP's members, MP3's frames, MP4's boxes, PDF's object syntax)
    // every one that reaches it.
    const std::map<std::string, int> least = {
        {"JPEG", 82}, {"PNG", 82}, {"GIF", 82}, {"BMP", 82}, {"PDF", 82}, {"Office", 82}, {"MP3", 82},
        {"MP4", 82}, {"UTF-8 text", 82}, {"Shift-JIS text", 81}, {"C source", 82}, {"Python", 82},
        {"ZIP", 82}, {"mixed", 82}, {"3 pictures among binaries", 82}};
    for (const auto& [label, ct] : table) {
        std::printf("| %s | %d of %d |\n", label.c_str(), ct.first, ct.second);
        if (least.count(label)) {
            EXPECT_GE(ct.first, least.at(label)) << label;
        }
    }
}

// The structure behind the signatures: intact files pass cut anywhere (nothing is read beyond
// the bytes given); decoded with a key of another length, or with one structural byte
// changed, they do not.
TEST(FileStructure, IntactCutAnywhereBrokenByKeyOrOneByte) {
    EXPECT_EQ(filestructure::Crc32(reinterpret_cast<const uint8_t*>("IEND"), 4), 0xAE426082u);
    std::mt19937 g(7);
    struct Case {
        const char* type;
        std::string bytes;
        size_t structural;  // a byte the format fixes, beyond libmagic's signature
    };
    const std::string jpeg = test::Jpeg(g);
    const std::vector<Case> cases = {{"image/jpeg", jpeg, 23},  // the DQT length
                                     {"image/jpeg", jpeg + std::string("\0\0appended", 10),  // whatever follows the image's end
                                      jpeg.find(std::string("\xFF\0", 2), 122) + 1},  // a stuffed 0xFF in the scan
                                     {"application/pdf", test::Pdf(g), 19},  // "obj"
                                     {"image/png", test::Png(g), 40},    // a byte of IDAT: its CRC
                                     {"image/gif", test::Gif(g), 781},   // the image's introducer
                                     {"image/bmp", test::Bmp(g), 26},    // the planes
                                     {"application/zip", test::Docx(g), 14},   // the stored member's CRC
                                     {"application/zip", test::Docx(g), 260},  // in the deflated member
                                     {"audio/mpeg", test::Mp3(g), 35},   // the zeros that pad the tag
                                     {"audio/mpeg", test::Mp3(g), 43},   // the first frame's layer
                                     {"video/mp4", test::Mp4(g), 3}};    // the ftyp box's size
    for (const Case& c : cases) {
        const auto* d = reinterpret_cast<const uint8_t*>(c.bytes.data());
        for (size_t n = 0; n <= c.bytes.size(); ++n) {
            std::vector<uint8_t> cut(d, d + n);  // exactly n bytes, so that ASan sees a read past them
            ASSERT_FALSE(filestructure::Broken(c.type, cut.data(), n)) << c.type << " cut at " << n;
        }
        std::string one = c.bytes;
        one[c.structural] = static_cast<char>(one[c.structural] + 1);
        EXPECT_TRUE(filestructure::Broken(c.type, reinterpret_cast<const uint8_t*>(one.data()), one.size())) << c.type;
        const crowfmt::KeyStream right(crowfmt::KeyFromPassword("correct horse")), wrong(crowfmt::KeyFromPassword("correct hors"));
        std::string bad = c.bytes;
        auto* b = reinterpret_cast<uint8_t*>(bad.data());
        right.Subtract(b, bad.size(), 0);
        wrong.Add(b, bad.size(), 0);
        EXPECT_EQ(bad.compare(0, 11, c.bytes, 0, 11), 0);  // the signature still right
        EXPECT_TRUE(filestructure::Broken(c.type, b, bad.size())) << c.type << " decoded with a shorter key";
    }
    EXPECT_FALSE(filestructure::Broken("application/pdf", reinterpret_cast<const uint8_t*>("%PDF"), 4));
    // A length that runs past the file's end: intact as the head of a longer file, broken as
    // the whole of one (a JPEG segment, a PNG chunk, BMP's pixels, a ZIP member, an ID3 tag, a box).
    for (const Case& c : cases) {
        if (std::string_view(c.type) == "application/pdf" || std::string_view(c.type) == "image/gif") continue;
        const auto* d = reinterpret_cast<const uint8_t*>(c.bytes.data());
        EXPECT_FALSE(filestructure::Broken(c.type, d, 41, 4096)) << c.type;
        EXPECT_TRUE(filestructure::Broken(c.type, d, 41, 41)) << c.type;
    }

    // ZIP, where each check is the only one that can see a fault: a stored member's sizes that
    // differ (its end not given), its CRC (its last byte the last given), no header where the
    // sizes put the next one, a deflate block of the reserved type (the stream's end not given),
    // a deflated member's CRC.
    const std::string zip = test::Docx(g);
    const size_t second = 30 + 19 + static_cast<uint8_t>(zip[18]), deflated = second + 30 + 9;
    const auto zipBroken = [&zip](size_t at, int add, size_t n) {
        std::string z = zip;
        z[at] = static_cast<char>(z[at] + add);
        return filestructure::Broken("application/zip", reinterpret_cast<const uint8_t*>(z.data()), n);
    };
    EXPECT_FALSE(zipBroken(0, 0, second + 4));
    EXPECT_TRUE(zipBroken(18, 1, 60));
    EXPECT_TRUE(zipBroken(second - 1, 1, second));
    EXPECT_TRUE(zipBroken(second, 1, second + 4));
    EXPECT_TRUE(zipBroken(deflated, 7 - zip[deflated], deflated + 8));
    EXPECT_TRUE(zipBroken(second + 14, 1, zip.size()));  // the CRC the deflated member's header gives
    // A box inside another one ends within it...
    const std::string moov = test::Be32(24) + "ftypisom" + test::Be32(0) + "isomiso2" + test::Be32(24) + "moov" + test::Be32(17) +
                             "mvhd" + std::string(9, '\0');
    // ... and an ftyp box holds whole brands of printable characters.
    for (const std::string& box : {moov, test::Be32(18) + "ftypisom" + test::Be32(0) + "is",
                                   test::Be32(20) + "ftypisom" + test::Be32(0) + "iso\x01"})
        EXPECT_TRUE(filestructure::Broken("video/mp4", reinterpret_cast<const uint8_t*>(box.data()), box.size()));
    // Quantisation tables are never longer than four of 16-bit values, even where they end
    // beyond the bytes given.
    EXPECT_FALSE(filestructure::Broken("image/jpeg", reinterpret_cast<const uint8_t*>("\xFF\xD8\xFF\xDB\x02\x06\x00"), 7));
    EXPECT_TRUE(filestructure::Broken("image/jpeg", reinterpret_cast<const uint8_t*>("\xFF\xD8\xFF\xDB\x02\x07\x00"), 7));
    // A graphic control block is 4 bytes long; an ID3 tag's size is four bytes of 7 bits.
    // It ends its blocks at once, and codes start from 8 bits a pixel at most.
    for (const std::string& block : {std::string("\x21\xF9\x03\x00\x00\x00\x00", 7), std::string("\x21\xF9\x04\x00\x00\x00\x00\x01", 8),
                                     test::GifImage({256, 0, 257}).replace(10, 1, "\x09")}) {
        const std::string gif = test::GifHeader() + std::string(768, '\x10') + block;
        EXPECT_TRUE(filestructure::Broken("image/gif", reinterpret_cast<const uint8_t*>(gif.data()), gif.size()));
    }
    EXPECT_TRUE(filestructure::Broken("audio/mpeg", reinterpret_cast<const uint8_t*>("ID3\x04\x00\x00\x00\x00\x00\x80"), 10));

    // BMP's headers: a compression of no kind or not of these pixels; columns without rows;
    // rows that do not fit in the file (intact as the head of a longer one); more colours used
    // than 8 bits name; a colour space of no kind and a rendering intent of none in a version 5
    // header.
    const std::string bmp = test::Bmp(g);
    const auto bmpBroken = [](std::string b, size_t at, const std::string& value, uint64_t whole) {
        b.replace(at, value.size(), value);
        return filestructure::Broken("image/bmp", reinterpret_cast<const uint8_t*>(b.data()), b.size(), whole);
    };
    EXPECT_TRUE(bmpBroken(bmp, 30, test::Le32(7), bmp.size()));
    EXPECT_TRUE(bmpBroken(bmp, 30, test::Le32(1), bmp.size()));  // RLE8 of 24-bit pixels
    EXPECT_TRUE(bmpBroken(bmp, 22, test::Le32(0), bmp.size()));  // columns, no rows
    EXPECT_FALSE(bmpBroken(bmp, 22, test::Le32(0xFFFFFFDFu), bmp.size() + 96));
    EXPECT_TRUE(bmpBroken(bmp, 22, test::Le32(0xFFFFFFDFu), bmp.size() + 95));
    EXPECT_TRUE(bmpBroken(bmp, 28, test::Le16(8) + test::Le32(0) + test::Le32(0) + test::Le32(0) + test::Le32(0) + test::Le32(257), bmp.size()));
    std::string v5 = bmp;
    v5.replace(10, 8, test::Le32(138) + test::Le32(124));
    v5.insert(54, test::Le32(0) + std::string(12, '\0') + "BGRs" + std::string(48, '\0') + test::Le32(4) + std::string(12, '\0'));
    EXPECT_FALSE(bmpBroken(v5, 0, "", v5.size()));
    EXPECT_TRUE(bmpBroken(v5, 70, "BGRt", v5.size()));
    EXPECT_TRUE(bmpBroken(v5, 122, test::Le32(3), v5.size()));

    // The first sample of an x264 clip: its banner as x264 writes it, in mdat or in a box whose
    // type a wrong byte changed; a space, an equals sign, the NAL unit's length, the text's end
    // each broken (though three bytes of the UUID are); an mdat of anything else not looked at.
    const std::string sample = test::X264Sample("x264 - core 164 r3095 baee400 - options: cabac=1 deblock=1:-1:-1 zones=0,10,q=20/11,40,b=1.5");
    const uint32_t sei = static_cast<uint32_t>(sample.size() - 10);  // the SEI NAL unit's length
    const auto mp4Broken = [&](const std::string& from, const std::string& to, const std::string& type) {
        std::string m = sample;
        m = test::Mp4Boxed(type, m.replace(m.find(from), from.size(), to));
        for (size_t n = 0; n <= m.size(); ++n)
            if (filestructure::Broken("video/mp4", reinterpret_cast<const uint8_t*>(m.data()), n)) return true;
        return false;
    };
    EXPECT_FALSE(mp4Broken("", "", "mdat"));
    EXPECT_FALSE(mp4Broken("\xDC\x45\xE9\xBD\xE6\xD9\x48\xB7\x96\x2C\xD8\x20\xD9\x23\xEE\xEFx264",  // x265's: not looked at
                           "\x2C\xA2\xDE\x09\xB5\x17\x47\xDB\xBB\x55\xA4\xFE\x7F\xC2\xFC\x4Ex265", "mdat"));
    EXPECT_TRUE(mp4Broken("cabac=1 ", "cabac=1!", "mdat"));
    EXPECT_TRUE(mp4Broken("1 deblock=", "1 deblock>", "mdau"));
    EXPECT_TRUE(mp4Broken(test::Be32(sei), test::Be32(sei + 1), "mdat"));
    EXPECT_TRUE(mp4Broken(sample, test::Be32(sei - 1) + sample.substr(4, sei), "mdat"));  // no NAL unit after it to see it by
    EXPECT_TRUE(mp4Broken("\xDC\x45\xE9", "\xDB\x44\xE8", "mdat"));
    EXPECT_TRUE(mp4Broken(std::string("\0\x80", 2), std::string("\x01\x80", 2), "mdat"));
    EXPECT_TRUE(mp4Broken(std::string("\x80\0", 2), std::string("\x81\0", 2), "mdat"));

    // GIF's LZW codes: the code the table makes next (KwKwK) is intact, one beyond it is not,
    // nor is a made code straight after a clear; 255 colours after a clear widen codes to 10 bits.
    std::vector<uint32_t> wide = {256};
    for (uint32_t c = 0; c < 255; ++c) wide.push_back(c);
    const auto gifBroken = [](std::vector<uint32_t> codes, std::vector<uint32_t> more, const char* size = "\x40\x00\x40\x00") {
        codes.insert(codes.end(), more.begin(), more.end());
        const std::string gif = test::GifHeader() + std::string(768, '\x10') + test::GifImage(codes).replace(5, 4, size, 4) + ";";
        return filestructure::Broken("image/gif", reinterpret_cast<const uint8_t*>(gif.data()), gif.size());
    };
    EXPECT_FALSE(gifBroken({256, 5, 258, 259}, {257}));
    EXPECT_TRUE(gifBroken({256, 5}, {260}));
    EXPECT_TRUE(gifBroken({256}, {258}));
    EXPECT_FALSE(gifBroken(wide, {512, 257}));
    EXPECT_TRUE(gifBroken(wide, {513}));
    // Nor is an end code before any pixel, nor more pixels than the image has (5 x 1: a colour,
    // then the strings of 2 and 3 that KwKwK codes make).
    EXPECT_TRUE(gifBroken({256}, {257}));
    EXPECT_FALSE(gifBroken({256, 1, 258}, {257}, "\x05\x00\x01\x00"));
    EXPECT_TRUE(gifBroken({256, 1, 258, 259}, {257}, "\x05\x00\x01\x00"));

    // PDF's object syntax: strings hold anything escaped or nested, streams anything up to their
    // "endstream", numbers may carry an exponent; what follows "%%EOF" is not looked at. Each
    // change below breaks it: a word of no kind, a hex digit, a dictionary closed as an array.
    const std::string pdf = "%PDF-1.7\n%\xE2\xE3\n1 0 obj\n<</Title (a \\) (b) c)/ID [<0aF 9>] /W -.5 /H 1e-05"
                            ">>\nstream\n)>>]\xFF\nendstream\nendobj\n%%EOF\n\x01 junk";
    const auto pdfBroken = [&pdf](const std::string& from, const std::string& to, size_t n) {
        std::string p = pdf;
        p.replace(p.find(from), from.size(), to);
        return filestructure::Broken("application/pdf", reinterpret_cast<const uint8_t*>(p.data()), std::min(n, p.size()));
    };
    for (size_t n = 0; n <= pdf.size(); ++n) ASSERT_FALSE(pdfBroken("", "", n)) << "PDF cut at " << n;
    EXPECT_TRUE(pdfBroken("obj", "ocj", pdf.size()));
    EXPECT_TRUE(pdfBroken("0aF", "0a?", pdf.size()));
    EXPECT_TRUE(pdfBroken("-.5", "-.5.", pdf.size()));
    EXPECT_TRUE(pdfBroken(">>\nstream", "]\nstream", pdf.size()));
    EXPECT_TRUE(pdfBroken("%%EOF", "%\n)", pdf.size()));
}

// Through a real Crow file: the names that do not look right are the ones reported.
TEST(PasswordCheck, CrowFileOnDisk) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("in"));
    std::mt19937 g(7);
    test::WriteFile(dir.file("in/a.jpg"), test::Jpeg(g));
    test::WriteFile(dir.file("in/b.png"), test::Png(g));
    test::WriteFile(dir.file("in/c.pdf"), test::Pdf(g));
    test::WriteFile(dir.file("in/d.bin"), test::Noise(g, 500));
    WxhObject obj;
    ASSERT_EQ(obj.Crow3(dir.file("in"), dir.file("x.bmp"), "hollin"), 0);
    EXPECT_EQ(JudgeCrowPassword(dir.file("x.bmp"), "hollin").verdict, Verdict::Plausible);
    const PasswordJudgement bad = JudgeCrowPassword(dir.file("x.bmp"), "Hollin");
    EXPECT_EQ(bad.verdict, Verdict::LooksWrong);
    EXPECT_EQ(bad.unlikeNames, (std::vector<std::string>{"a.jpg", "b.png", "c.pdf"}));
    // A case change in the fifth character: seen only where a length runs past a file's end.
    EXPECT_EQ(JudgeCrowPassword(dir.file("x.bmp"), "hollIn").verdict, Verdict::LooksWrong);
    // Nothing to judge: a CRW2 file, a missing one.
    ASSERT_EQ(obj.Crow2(dir.file("in"), dir.file("y.bmp")), 0);
    EXPECT_EQ(JudgeCrowPassword(dir.file("y.bmp"), "hollin").verdict, Verdict::Undecided);
    // Crow files are pictures a folder may hold: their headers are intact BMP's, the smallest
    // (0 x 0 pixels) too, though the size their file header gives is not the file's.
    std::filesystem::create_directory(dir.file("small"));
    test::WriteFile(dir.file("small/" + std::string(200, 'n')), "1");
    ASSERT_EQ(obj.Crow2(dir.file("small"), dir.file("z.bmp")), 0);
    for (const char* crow : {"x.bmp", "y.bmp", "z.bmp"}) {
        const std::string bytes = test::ReadFile(dir.file(crow));
        EXPECT_FALSE(filestructure::Broken("image/bmp", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bytes.size())) << crow;
    }
    EXPECT_EQ(JudgeCrowPassword(dir.file("none.bmp"), "hollin").verdict, Verdict::Undecided);
    EXPECT_GT(passwordcheck::LoadMicroseconds(), 0);
}

// The shift a wrong character leaves is found as it is: its position in the period and its
// amount (a case change at one position of 16, in Japanese and English text).
TEST(PasswordCheck, PhaseShiftFoundAsItIs) {
    std::mt19937 g(5);
    std::string s = test::Utf8Text(g).substr(0, 4096);
    for (size_t i = 5; i < s.size(); i += 16) s[i] = static_cast<char>(s[i] - 32);
    const passwordcheck::PhaseShift r = passwordcheck::FindPhaseShift(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 16);
    EXPECT_EQ(r.phase, 5u);
    EXPECT_EQ(r.delta, 224);
    EXPECT_GE(r.gain, passwordcheck::kPhaseShiftGain);
}

// The extension table is read as a hostile file: odd lines are passed over, not trusted.
TEST(PasswordCheck, ExtensionTableDistrusted) {
    using passwordcheck::ParseMimeTypes;
    const std::string longLine = "image/x-long " + std::string(passwordcheck::kMaxLine, 'a') + " zz\n";
    const auto t = ParseMimeTypes("# comment jpg\r\nimage/jpeg\tjpeg JPG jpe\r\nimage/png png\nimage/other png\n"
                                  "notatype xyz\nimage/../x dots\nimage/a/b ab\ntext/plain txt ../e " +
                                  std::string(40, 'e') + "\n" + longLine + "text/x-cap " + std::string(32, 'f') + " " +
                                  std::string(33, 'g') + "\nvideo/mp4 mp4");
    const std::map<std::string, std::string> want = {{"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"}, {"jpe", "image/jpeg"},
                                                     {"png", "image/png"},   {"txt", "text/plain"}, {"mp4", "video/mp4"},
                                                     {std::string(32, 'f'), "text/x-cap"}};
    EXPECT_EQ(t, want);
    EXPECT_EQ(passwordcheck::PromisedType(t, "Photo.JPG"), "image/jpeg");
    EXPECT_EQ(passwordcheck::PromisedType(t, ".png"), "");
    EXPECT_EQ(passwordcheck::PromisedType(t, "png"), "");
    // Caps: no more extensions than allowed, nothing past the byte limit.
    std::string many;
    for (size_t i = 0; i <= passwordcheck::kMaxExtensions; ++i) many += "image/x e" + std::to_string(i) + "\n";
    EXPECT_EQ(ParseMimeTypes(many).size(), passwordcheck::kMaxExtensions);
    const std::string past = std::string(passwordcheck::kMaxTableBytes, '\n') + "image/png png\n";
    EXPECT_TRUE(ParseMimeTypes(past).empty());
    // Only a regular file is opened: a folder or a FIFO gives an empty table at once.
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_TRUE(passwordcheck::LoadMimeTypes(dir.file("fifo")).empty());
    EXPECT_TRUE(passwordcheck::LoadMimeTypes(dir.str()).empty());
}

// Judges entries as a release would hand them over: (name, bytes) after decoding.
PasswordJudgement JudgeEntries(const std::vector<std::pair<std::string, std::string>>& entries, size_t keyPeriod = 7) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.first);
    return JudgePassword(names, [&](size_t i, uint8_t* buf, size_t max) {
        const size_t n = std::min(max, entries[i].second.size());
        std::memcpy(buf, entries[i].second.data(), n);
        return n;
    }, keyPeriod);
}

// Where the verdict turns: entries under 16 bytes say nothing; as many entries that look right
// as look wrong is no wrong password; one text shifted at one position of the key could be chance, two alike
// are a wrong character.
TEST(PasswordCheck, VerdictThresholds) {
    std::mt19937 g(11);
    const std::string n15 = test::Noise(g, 15);
    EXPECT_EQ(JudgeEntries({{"a.jpg", n15}, {"b.png", n15}, {"c.pdf", n15}}).verdict, Verdict::Undecided);
    EXPECT_EQ(JudgeEntries({{"a.jpg", test::Noise(g, 500)}, {"b.png", test::Noise(g, 500)}, {"c.pdf", test::Noise(g, 500)},
                            {"d.jpg", test::Jpeg(g)}, {"e.png", test::Png(g)}, {"f.pdf", test::Pdf(g)}})
                  .verdict,
              Verdict::Plausible);
    const auto shifted = [&g] {  // every 7th byte from the 3rd one off by 5, as a wrong character does
        std::string text = test::Utf8Text(g);
        for (size_t i = 2; i < text.size(); i += 7) text[i] = static_cast<char>(text[i] + 5);
        return text;
    };
    EXPECT_EQ(JudgeEntries({{"a.txt", shifted()}, {"b.jpg", test::Jpeg(g)}, {"c.png", test::Png(g)}}).verdict,
              Verdict::Plausible);
    EXPECT_EQ(JudgeEntries({{"a.txt", shifted()}, {"b.txt", shifted()}, {"c.png", test::Png(g)}}).verdict,
              Verdict::LooksWrong);
    // Names that promise text on pictures, documents and JSON: misnamed, not wrongly decoded.
    const std::string json = "{\"names\": [\"a\", \"b\"], \"sizes\": [1, 2], \"ok\": true}\n";
    for (const auto& misnamed : {std::vector<std::string>{test::Jpeg(g), test::Png(g), test::Pdf(g)},
                                 std::vector<std::string>{json, json + " ", json + "  "}})
        EXPECT_NE(JudgeEntries({{"a.txt", misnamed[0]}, {"b.txt", misnamed[1]}, {"c.txt", misnamed[2]}}).verdict,
                  Verdict::LooksWrong);
}

TEST(PasswordCheck, DatabaseTypesReadFromEntries) {
    using namespace std::string_literals;
    const std::string mgc = "\x01\0image/jpeg\0\0\0JPEG image data\0audio/mpeg\0x/y\0text/\0\x02video/mp4\0"s +
                            "application/pdf";  // unterminated at the end: not an entry
    EXPECT_EQ(passwordcheck::MagicDatabaseTypes(mgc), (std::vector<std::string>{"audio/mpeg", "image/jpeg"}));
}

}  // namespace
}  // namespace wxh
