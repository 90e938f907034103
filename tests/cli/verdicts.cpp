// One reader behind release, mount and info: for every damaged Crow file, with one fault or
// several at once, the three refuse it for the same reason in the same words.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

// Where the size table of a file built by BuildCrow starts.
size_t SizeTable(int gen, const std::vector<Packed>& files) {
    size_t at = gen == 3 ? 66 : 62;
    for (const Packed& f : files) at += 2 + f.name.size();
    return at;
}

std::string WithSize(std::string bytes, size_t at, int32_t size) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((static_cast<uint32_t>(size) >> (8 * i)) & 0xFF);
    return bytes;
}

// The reason in a one-line message, without "crow: " and the command's own words before it.
std::string ReasonOf(const std::string& err, const std::string& crow) {
    std::string s = err.rfind("crow: ", 0) == 0 ? err.substr(6) : err;
    for (const std::string& head : {"cannot release '" + crow + "' into '", "cannot mount '" + crow + "': ",
                                    "note: '" + crow + "' cannot be released or mounted: "}) {
        if (s.rfind(head, 0) != 0) continue;
        s = s.substr(head.size());
        if (head.back() == '\'') s = s.substr(s.find("': ") + 3);  // past the destination
        break;
    }
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

}  // namespace

TEST(CrowVerdicts, ReleaseMountAndInfoRefuseAlikeInTheSameWords) {
    TempDir t;
    const std::vector<Packed> abDots = {{"a", "x"}, {"b", ""}, {"..", "y"}};
    const std::vector<Packed> one = {{"a", "hello"}};
    const std::vector<Packed> two = {{"a", "hello"}, {"b", "abc"}};
    const std::string crw2 = BuildCrow(2, two), crw3 = BuildCrow(3, two);
    std::string huge2 = crw2, huge3 = crw3 + "!";
    huge2.replace(58, 4, "\xff\xff\x00\x00");  // 65,536 entries
    huge3.replace(62, 4, "\x10\x00\x00\x00");  // 17 entries in a file that holds 2
    const std::string longName(300, 'n');
    const std::vector<Packed> longOne = {{"ok", "x"}, {longName, "y"}};
    const std::vector<Packed> badAndShort = {{"a/b", "x"}, {"c", "yy"}};

    struct Case {
        const char* label;
        std::string bytes;
        std::string words;  // the reason must hold these
    };
    const std::vector<Case> cases = {
        {"names before sizes", BuildCrow(2, abDots), "cannot be used safely (the name . or ..): '..'"},
        {"negative size", WithSize(BuildCrow(2, one), SizeTable(2, one), -100), "lists 'a' as a file of -100 bytes"},
        {"zero size", BuildCrow(2, {{"a", "x"}, {"b", ""}}), "lists 'b' as a file of 0 bytes"},
        {"twice", BuildCrow(1, {{"same", "x"}, {"same", "y"}}), "(appears twice): 'same'"},
        {"long name", BuildCrow(2, longOne), "(longer than 255 bytes): '" + std::string(80, 'n') + "…'"},
        {"crw3 length", crw3 + "x", "its length differs"},
        {"crw3 length and tables", huge3, "its length differs"},
        {"tables", huge2, "its tables do not fit"},
        {"cut short", crw2.substr(0, crw2.size() - 2), "shorter than its size table"},
        {"name, size and cut", WithSize(BuildCrow(2, badAndShort), SizeTable(2, badAndShort), 0).substr(0, 80),
         "(holds a path separator): 'a/b'"},
        {"size and cut", WithSize(crw2, SizeTable(2, two) + 4, -1).substr(0, crw2.size() - 1), "as a file of -1 bytes"},
        {"not crow", PlainBitmapBytes(), "is not a Crow file"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.label);
        const std::string crow = t.file("c" + std::to_string(i) + ".bmp");
        WriteFile(crow, c.bytes);
        fs::create_directories(t.file("mnt"));
        const RunResult release = RunCrow({"release", crow, t.file("out" + std::to_string(i))});
        const RunResult mount = RunCrow({"mount", crow, t.file("mnt")});
        const RunResult info = RunCrow({"info", crow});
        EXPECT_EQ(release.status, 1);
        EXPECT_EQ(mount.status, 1);
        const std::string reason = ReasonOf(release.err, crow);
        EXPECT_NE(reason.find(c.words), std::string::npos) << release.err;
        EXPECT_EQ(ReasonOf(mount.err, crow), reason) << mount.err;
        EXPECT_EQ(ReasonOf(info.err, crow), reason) << info.err;
        // A file whose directory reads is still listed; the others give nothing on stdout.
        EXPECT_EQ(info.status == 0, !info.out.empty()) << info.out;
        EXPECT_FALSE(fs::exists(t.file("out" + std::to_string(i))));
    }
}
