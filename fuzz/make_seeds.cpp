// Writes seed inputs for the fuzz targets into a folder: Crow files of each generation made
// by the writer (CRW1 by hand, since nothing writes it), from a small folder of files.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "crow/WxhObject.h"
#include "support/PasswordCorpus.h"

namespace fs = std::filesystem;

static void Write(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds FOLDER\n");
        return 2;
    }
    fs::path out = argv[1];
    fs::create_directories(out);
    fs::path src = out / ".src";
    fs::create_directories(src);
    Write(src / "a.txt", "hello");
    std::string bin;
    for (int i = 0; i < 300; ++i) bin.push_back(static_cast<char>(i * 7));
    Write(src / "b.bin", bin);
    Write(src / "表.txt", "hyou");
    Write(src / "z", "!");
    int failures = 0;
    {
        wxh::WxhObject o;
        failures += o.Crow2(src.string(), (out / "crw2.bmp").string()) != 0;
    }
    {
        wxh::WxhObject o;
        failures += o.Crow3(src.string(), (out / "crw3-key.bmp").string()) != 0;
    }
    {
        wxh::WxhObject o;
        failures += o.Crow3(src.string(), (out / "crw3-pw.bmp").string(), "pw") != 0;
    }
    // CRW1: the CRW2 file with its magic changed and its bytes shifted back.
    std::ifstream in(out / "crw2.bmp", std::ios::binary);
    std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() > 58) {
        b[57] = '1';
        size_t data = b.size() - (5 + 300 + 4 + 1);
        for (size_t i = data; i < b.size(); ++i) b[i] = static_cast<char>(static_cast<unsigned char>(b[i]) - 1);
        Write(out / "crw1.bmp", b);
    }
    // For the file structures: a clip whose mdat begins with x264's banner (the first byte
    // picks MP4 and a whole size of these bytes), so that the fuzzer starts inside it.
    const std::string sample = wxh::test::X264Sample("x264 - core 164 r3095 baee400 - options: cabac=1 ref=3 zones=0,10,q=20");
    Write(out / "structure-x264.bin", "\x85" + wxh::test::Mp4Boxed("mdat", sample));
    fs::remove_all(src);
    return failures ? 1 : 0;
}
