// Damaged Crow files: every cut and every flipped byte of the header and tables of small
// valid files of each generation. Nothing may crash, a cut file releases nothing, and nothing
// is ever written outside the destination folder or through a link in it.
#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

const char kCanaryText[] = "canary: must never change";

struct Sample {
    std::string label;
    std::string bytes;
    size_t dataStart;  // where the data area begins
};

// The valid samples: CRW1 by hand, the rest from the writer.
std::vector<Sample> MakeSamples(TempDir& t) {
    std::vector<Sample> samples;
    std::vector<Packed> files = {{"a.txt", "hello"}, {"\x95\x5C.bin", PatternBytes(40, 3)}, {"z", "!"}};
    std::string one = BuildCrow(1, files);
    samples.push_back({"CRW1", one, one.size() - 46});

    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a.txt"), std::string("hello"));
    WriteFile(t.file("src/表.bin"), PatternBytes(40, 3));
    WriteFile(t.file("src/z"), std::string("!"));
    auto make = [&](const std::string& label, auto op) {
        wxh::WxhObject obj;
        EXPECT_EQ(op(obj, t.file(label + ".bmp")), 0) << label;
        std::string bytes = ReadFile(t.file(label + ".bmp"));
        samples.push_back({label, bytes, bytes.size() - 46});
    };
    make("CRW2", [&](wxh::WxhObject& o, const std::string& out) { return o.Crow2(t.file("src"), out); });
    make("CRW3", [&](wxh::WxhObject& o, const std::string& out) { return o.Crow3(t.file("src"), out); });
    make("CRW3pw", [&](wxh::WxhObject& o, const std::string& out) { return o.Crow3(t.file("src"), out, "pw"); });
    return samples;
}

// A sandbox: the Crow file, a canary beside the destination, and in the destination a
// link to the canary under a name the sample holds.
class Sandbox {
public:
    Sandbox() {
        WriteFile(root_.file("canary"), std::string(kCanaryText));
    }
    std::string crow() const { return root_.file("crow.bmp"); }
    std::string dest() const { return root_.file("dest"); }

    void Reset(const std::string& bytes) {
        fs::remove_all(dest());
        fs::create_directories(dest());
        fs::create_symlink(root_.file("canary"), root_.file("dest/a.txt"));
        WriteFile(crow(), bytes);
    }

    // Checks everything after one operation; `released` collects what came out.
    void Check(const std::string& what, std::vector<std::string>* released = nullptr) {
        EXPECT_EQ(ReadFile(root_.file("canary")), kCanaryText) << what;
        struct stat st {};
        ASSERT_EQ(::lstat(root_.file("canary").c_str(), &st), 0) << what;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << what;
        std::vector<std::string> top;
        for (const auto& e : fs::directory_iterator(root_.path())) top.push_back(e.path().filename().string());
        std::sort(top.begin(), top.end());
        EXPECT_EQ(top, (std::vector<std::string>{"canary", "crow.bmp", "dest"})) << what;
        for (const auto& e : fs::directory_iterator(dest())) {
            // Only plain files, directly in the destination (the link may have been replaced).
            EXPECT_TRUE(e.is_symlink() || e.is_regular_file()) << what << ": " << e.path();
            if (released && !e.is_symlink()) released->push_back(e.path().filename().string());
        }
    }

private:
    TempDir root_;
};

// Says yes to every overwrite, so that the link in the destination is put to the test.
struct AlwaysYes : wxh::OverwriteQuestion {
    int32_t Ask(const std::string&) override { return 6; }
};

// Every operation on the bytes; returns the release results (UnCrow1, UnCrow2, UnCrow3).
std::vector<int32_t> RunAll(Sandbox& box, const std::string& bytes, const std::string& what,
                            std::vector<std::string>* released = nullptr) {
    std::vector<int32_t> results;
    box.Reset(bytes);
    {
        wxh::WxhObject obj;
        int32_t ver = 0, mark = 0, count = 0;
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        int32_t r = obj.GetCrowInfo(box.crow(), ver, mark, count, names, sizes);
        EXPECT_TRUE(r == 0 || r == 1 || r == 2) << what << " info " << r;
        if (r == 0) {
            EXPECT_EQ(static_cast<size_t>(count), names.size()) << what;
            EXPECT_EQ(names.size(), sizes.size()) << what;
        }
    }
    for (int op = 1; op <= 3; ++op) {
        box.Reset(bytes);
        AlwaysYes yes;
        wxh::WxhObject obj(nullptr, &yes);
        int32_t r = op == 1 ? obj.UnCrow1(box.crow(), box.dest()) : op == 2 ? obj.UnCrow2(box.crow(), box.dest())
                                                                             : obj.UnCrow3(box.crow(), box.dest(), "pw");
        EXPECT_TRUE(r >= 0 && r <= 3) << what << " op " << op << " gave " << r;
        box.Check(what + " op " + std::to_string(op), r == 0 ? released : nullptr);
        results.push_back(r);
    }
    return results;
}

class CrowDamage : public ::testing::Test {
protected:
    TempDir t;
    std::vector<Sample> samples = MakeSamples(t);
    Sandbox box;
};

}  // namespace

TEST_F(CrowDamage, IntactSamplesReleaseOnlyWithTheirOwnOperation) {
    for (const Sample& s : samples) {
        std::vector<std::string> released;
        std::vector<int32_t> r = RunAll(box, s.bytes, s.label, &released);
        int own = s.label == "CRW1" ? 0 : s.label == "CRW2" ? 1 : 2;
        EXPECT_EQ(r[own], 0) << s.label;
        std::sort(released.begin(), released.end());
        EXPECT_EQ(released, (std::vector<std::string>{"a.txt", "z", "表.bin"})) << s.label;
    }
}

TEST_F(CrowDamage, EveryCutReleasesNothing) {
    for (const Sample& s : samples) {
        for (size_t len = 0; len < s.bytes.size(); ++len) {
            std::vector<std::string> released;
            std::vector<int32_t> r = RunAll(box, s.bytes.substr(0, len), s.label + " cut at " + std::to_string(len),
                                            &released);
            for (int32_t code : r) EXPECT_NE(code, 0) << s.label << " cut at " << len;
            EXPECT_TRUE(released.empty()) << s.label << " cut at " << len;
        }
    }
}

TEST_F(CrowDamage, EveryFlippedHeaderOrTableByte) {
    for (const Sample& s : samples) {
        for (size_t pos = 0; pos < s.dataStart; ++pos) {
            for (uint8_t mask : {uint8_t{0xFF}, uint8_t{0x80}, uint8_t{0x01}}) {
                std::string bytes = s.bytes;
                bytes[pos] = static_cast<char>(static_cast<uint8_t>(bytes[pos]) ^ mask);
                RunAll(box, bytes, s.label + " byte " + std::to_string(pos) + " ^ " + std::to_string(mask));
                if (HasFailure()) return;  // one broken case tells enough
            }
        }
    }
}
