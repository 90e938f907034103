// The three commands of the crow tool, run as a user would run them.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "support/CrowSamples.h"
#include "support/TempDir.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

// A folder with a few files of awkward sizes and names (表 and ソ end in byte 0x5C in CP932).
void FillFolder(const std::string& dir) {
    fs::create_directories(dir);
    WriteFile(dir + "/a.txt", std::string("x"));
    WriteFile(dir + "/B.bin", PatternBytes(18877, 2));
    WriteFile(dir + "/c.dat", PatternBytes(23456, 3));
    WriteFile(dir + "/表.txt", PatternBytes(1234, 4));
    WriteFile(dir + "/ソース.c", PatternBytes(18876, 5));
    WriteFile(dir + "/.hidden", std::string("not packed"));
    fs::create_directories(dir + "/sub");
    WriteFile(dir + "/sub/inner.txt", std::string("not packed either"));
}

// The tool's own escaping, for the names used in the tests here: a byte that is not UTF-8
// or a control character as \xNN, a backslash doubled.
std::string PrintableNameForTest(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += c < 0x20 || c == 0x9B ? std::string(buf) : c == '\\' ? std::string("\\\\") : std::string(1, static_cast<char>(c));
    }
    return out;
}

// The files that must come back, with their contents.
void ExpectReleased(const std::string& from, const std::string& to) {
    for (const char* name : {"a.txt", "B.bin", "c.dat", "表.txt", "ソース.c"})
        EXPECT_EQ(ReadFile(from + "/" + name), ReadFile(to + "/" + name)) << name;
    EXPECT_FALSE(fs::exists(to + "/.hidden"));
    EXPECT_FALSE(fs::exists(to + "/sub"));
}

}  // namespace

TEST(CrowTool, HelpVersionAndUsageErrors) {
    RunResult v = RunCrow({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "crow 1.25.0\n");

    RunResult h = RunCrow({"--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("pack"), std::string::npos);
    EXPECT_NE(h.out.find("release"), std::string::npos);
    for (const char* cmd : {"pack", "release", "info"}) {
        RunResult c = RunCrow({cmd, "--help"});
        EXPECT_EQ(c.status, 0) << cmd;
        EXPECT_NE(c.out.find(std::string("Usage: crow ") + cmd), std::string::npos) << cmd;
    }

    // Each of these is a usage error: status 2, a message on standard error, nothing else.
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"pack", "only-one"},
        {"pack", "--format", "4", "a", "b"},
        {"pack", "--format"},
        {"pack", "--password-stdin", "a", "b"},          // a password needs format 3
        {"pack", "--format=2", "--password", "a", "b"},
        {"pack", "--format", "3", "--password", "--password-stdin", "a", "b"},
        {"pack", "--bogus", "a", "b"},
        {"release"},
        {"release", "x.bmp", "d", "e"},
        {"release", "--overwrite", "maybe", "x.bmp", "d"},
        {"info"},
        {"info", "a", "b"},
        {"info", "--json=yes", "a"},
        {"info", ""},
        {"pack", "a", ""},
        {"release", "x.bmp", ""},
    };
    for (const auto& args : bad) {
        RunResult r = RunCrow(args);
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_TRUE(r.out.empty()) << shown;
        EXPECT_FALSE(r.err.empty()) << shown;
    }
    // "-" is a name (here of no file), and an unknown option is named as it was typed.
    EXPECT_NE(RunCrow({"info", "-"}).err.find("No such file"), std::string::npos);
    EXPECT_NE(RunCrow({"info", "-x=1", "a"}).err.find("unknown option '-x=1'"), std::string::npos);
}

TEST(CrowTool, InfoPrintsTheExactFormat) {
    TempDir t;
    WriteFile(t.file("ex.bmp"), WorkedExample());
    RunResult r = RunCrow({"info", t.file("ex.bmp")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "generation: 2\npassword: no\nfiles: 2\nsize: 92\n5\tA.TXT\n3\tB.TXT\n");
    EXPECT_EQ(r.err, "");

    RunResult j = RunCrow({"info", "--json", t.file("ex.bmp")});
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(j.out,
              "{\"generation\":2,\"password\":false,\"files\":2,\"size\":92,\"entries\":"
              "[{\"size\":5,\"name\":\"A.TXT\"},{\"size\":3,\"name\":\"B.TXT\"}]}\n");

    // Protected CRW3 with Japanese names (CP932 bytes of 表 and a half-width ｶﾅ).
    WriteFile(t.file("p.bmp"), BuildCrow(3, {{"\x95\x5C.txt", "abc"}, {"\xB6\xC5", "z"}}, 0, "pw"));
    RunResult p = RunCrow({"info", t.file("p.bmp")});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "generation: 3\npassword: yes\nfiles: 2\nsize: " + std::to_string(fs::file_size(t.file("p.bmp"))) +
                         "\n3\t表.txt\n1\tｶﾅ\n");

    // Control characters and quotes in names never break the line format or the JSON.
    WriteFile(t.file("odd.bmp"), BuildCrow(1, {{"a\nb\"\x1b", "q"}}));
    RunResult o = RunCrow({"info", t.file("odd.bmp")});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "generation: 1\npassword: no\nfiles: 1\nsize: 74\n1\ta\\x0Ab\"\\x1B\n");
    RunResult oj = RunCrow({"info", "--json", t.file("odd.bmp")});
    EXPECT_NE(oj.out.find("\"name\":\"a\\nb\\\"\\u001b\""), std::string::npos) << oj.out;
}

TEST(CrowTool, InfoFailuresAreNamedAndDistinct) {
    TempDir t;
    WriteFile(t.file("pic.bmp"), std::string("BM") + std::string(100, '\0'));
    std::string damaged = WorkedExample();
    damaged.replace(58, 4, "\xFF\xFF\xFF\x7F");  // LastIndex 2^31-1 in a 92-byte file
    WriteFile(t.file("damaged.bmp"), damaged);

    RunResult notCrow = RunCrow({"info", t.file("pic.bmp")});
    RunResult missing = RunCrow({"info", t.file("none.bmp")});
    RunResult broken = RunCrow({"info", t.file("damaged.bmp")});
    for (const RunResult* r : {&notCrow, &missing, &broken}) {
        EXPECT_EQ(r->status, 1);
        EXPECT_TRUE(r->out.empty());
    }
    EXPECT_NE(notCrow.err.find("pic.bmp' is not a Crow file"), std::string::npos) << notCrow.err;
    EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
    EXPECT_NE(broken.err.find("damaged.bmp' is damaged"), std::string::npos) << broken.err;
}

TEST(CrowTool, PackAndReleaseEachGeneration) {
    TempDir t;
    FillFolder(t.file("src"));

    // CRW2, the default; the destination is created with its parents.
    RunResult p2 = RunCrow({"pack", t.file("src"), t.file("two.bmp")});
    ASSERT_EQ(p2.status, 0) << p2.err;
    EXPECT_EQ(p2.out + p2.err, "crow: note: 1 sub-folder and 1 hidden file are not packed\n");
    EXPECT_EQ(RunCrow({"info", t.file("two.bmp")}).out.substr(0, 40).find("generation: 2\npassword: no\nfiles: 5\n"), 0u);
    RunResult r2 = RunCrow({"release", t.file("two.bmp"), t.file("out/two/deep")});
    ASSERT_EQ(r2.status, 0) << r2.err;
    ExpectReleased(t.file("src"), t.file("out/two/deep"));

    // CRW3 with the random key.
    RunResult p3 = RunCrow({"pack", "--format", "3", t.file("src"), t.file("three.bmp")});
    ASSERT_EQ(p3.status, 0) << p3.err;
    EXPECT_EQ(RunCrow({"info", t.file("three.bmp")}).out.find("generation: 3\npassword: no\n"), 0u);
    // A password given for a file that needs none is ignored.
    RunResult r3 = RunCrow({"release", "--password-stdin", t.file("three.bmp"), t.file("three")}, "ignored\n");
    ASSERT_EQ(r3.status, 0) << r3.err;
    ExpectReleased(t.file("src"), t.file("three"));
}

TEST(CrowTool, ProtectedFileWithAndWithoutItsPassword) {
    TempDir t;
    FillFolder(t.file("src"));
    const std::string pw = "秘密のpass";
    RunResult p = RunCrow({"pack", "--format=3", "--password-stdin", t.file("src"), t.file("p.bmp")}, pw + "\r\n");
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(RunCrow({"info", t.file("p.bmp")}).out.find("generation: 3\npassword: yes\n"), 0u);

    RunResult none = RunCrow({"release", t.file("p.bmp"), t.file("none")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("password"), std::string::npos) << none.err;
    EXPECT_FALSE(fs::exists(t.file("none/a.txt")));

    RunResult empty = RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("empty")}, "\n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("password is empty"), std::string::npos) << empty.err;

    RunResult right = RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("right")}, pw + "\n");
    ASSERT_EQ(right.status, 0) << right.err;
    ExpectReleased(t.file("src"), t.file("right"));

    // Nothing in the file can check a password: a wrong one releases wrong contents.
    RunResult wrong = RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("wrong")}, "nope\n");
    EXPECT_EQ(wrong.status, 0) << wrong.err;
    EXPECT_NE(ReadFile(t.file("wrong/B.bin")), ReadFile(t.file("src/B.bin")));

    // A one-character ASCII password, made by hand, released by the tool.
    WriteFile(t.file("one.bmp"), BuildCrow(3, {{"k.bin", PatternBytes(5000, 9)}}, 0, "Q"));
    RunResult one = RunCrow({"release", "--password-stdin", t.file("one.bmp"), t.file("one")}, "Q");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(ReadFile(t.file("one/k.bin")), PatternBytes(5000, 9));
}

TEST(CrowTool, ReleasesGenerationOneAndRefusesDamage) {
    TempDir t;
    WriteFile(t.file("one.bmp"), BuildCrow(1, {{"x.bin", PatternBytes(3000, 7)}, {"y", "yy"}}));
    RunResult ok = RunCrow({"release", t.file("one.bmp"), t.file("d1")});
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ReadFile(t.file("d1/x.bin")), PatternBytes(3000, 7));
    EXPECT_EQ(ReadFile(t.file("d1/y")), "yy");

    // Cut short: refused before anything is written, with its own message.
    std::string cut = BuildCrow(2, {{"x.bin", PatternBytes(3000, 7)}});
    cut.resize(cut.size() - 10);
    WriteFile(t.file("cut.bmp"), cut);
    RunResult c = RunCrow({"release", t.file("cut.bmp"), t.file("d2")});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("shorter than its size table"), std::string::npos) << c.err;
    EXPECT_TRUE(ListTree(t.file("d2")).empty());

    // CRW3 with a byte appended: the length check refuses it.
    WriteFile(t.file("long.bmp"), BuildCrow(3, {{"x.bin", "abc"}}, 77) + "!");
    RunResult l = RunCrow({"release", t.file("long.bmp"), t.file("d3")});
    EXPECT_EQ(l.status, 1);
    EXPECT_NE(l.err.find("length differs"), std::string::npos) << l.err;
    EXPECT_FALSE(fs::exists(t.file("d3/x.bin")));

    // A name that leads out of the destination: nothing written anywhere.
    WriteFile(t.file("evil.bmp"), BuildCrow(2, {{"ok.txt", "fine"}, {"../escaped.txt", "bad"}}));
    RunResult e = RunCrow({"release", t.file("evil.bmp"), t.file("d4")});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.err.find("cannot be used safely"), std::string::npos) << e.err;
    EXPECT_FALSE(fs::exists(t.file("escaped.txt")));
    EXPECT_TRUE(ListTree(t.file("d4")).empty());

    // Not a Crow file, a missing one, and a destination that is a file.
    WriteFile(t.file("plain.txt"), std::string("hello"));
    EXPECT_EQ(RunCrow({"release", t.file("plain.txt"), t.file("d5")}).status, 1);
    EXPECT_FALSE(fs::exists(t.file("d5")));
    RunResult m = RunCrow({"release", t.file("missing.bmp"), t.file("d6")});
    EXPECT_EQ(m.status, 1);
    EXPECT_NE(m.err.find("missing.bmp"), std::string::npos);
    RunResult f = RunCrow({"release", t.file("one.bmp"), t.file("plain.txt")});
    EXPECT_EQ(f.status, 1);
    EXPECT_NE(f.err.find("not a folder"), std::string::npos) << f.err;
    EXPECT_EQ(ReadFile(t.file("plain.txt")), "hello");
}

TEST(CrowTool, OverwriteModes) {
    TempDir t;
    WriteFile(t.file("c.bmp"), BuildCrow(2, {{"keep.txt", "new keep"}, {"empty.txt", "filled"}, {"fresh.txt", "f"}}));
    auto reset = [&](const std::string& d) {
        fs::create_directories(d);
        WriteFile(d + "/keep.txt", std::string("old"));
        WriteFile(d + "/empty.txt", std::string());
    };

    // Without a terminal the default is "no": non-empty files stay, empty ones are filled.
    reset(t.file("a"));
    RunResult a = RunCrow({"release", t.file("c.bmp"), t.file("a")});
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(ReadFile(t.file("a/keep.txt")), "old");
    EXPECT_EQ(ReadFile(t.file("a/empty.txt")), "filled");
    EXPECT_EQ(ReadFile(t.file("a/fresh.txt")), "f");
    EXPECT_NE(a.err.find("kept the existing"), std::string::npos) << a.err;

    reset(t.file("b"));
    RunResult b = RunCrow({"release", "--overwrite", "yes", t.file("c.bmp"), t.file("b")});
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(ReadFile(t.file("b/keep.txt")), "new keep");
    EXPECT_EQ(b.err, "");

    reset(t.file("q"));
    RunResult q = RunCrow({"-q", "release", "--overwrite=no", t.file("c.bmp"), t.file("q")});
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(ReadFile(t.file("q/keep.txt")), "old");
    EXPECT_EQ(q.err, "");
}

TEST(CrowTool, PackFailuresLeaveAnExistingOutputAlone) {
    TempDir t;
    fs::create_directories(t.file("empty"));
    fs::create_directories(t.file("onlysub/sub"));
    fs::create_directories(t.file("zero"));
    WriteFile(t.file("zero/a.txt"), std::string("a"));
    WriteFile(t.file("zero/b.txt"), std::string());
    WriteFile(t.file("old.bmp"), std::string("previous contents"));

    struct Case {
        std::string folder, output, expect;
    } cases[] = {
        {t.file("nowhere"), t.file("old.bmp"), "nowhere"},
        {t.file("empty"), t.file("old.bmp"), "holds no files"},
        {t.file("onlysub"), t.file("old.bmp"), "holds no files"},
        {t.file("zero"), t.file("old.bmp"), "b.txt' is empty"},
        {t.file("zero"), t.file("no/such/dir/x.bmp"), "no/such/dir"},
    };
    for (const Case& c : cases) {
        RunResult r = RunCrow({"pack", c.folder, c.output});
        EXPECT_EQ(r.status, 1) << c.folder;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(t.file("old.bmp")), "previous contents");
    }
    EXPECT_EQ(ListTree(t.path()), (std::vector<std::string>{"empty", "old.bmp", "onlysub", "onlysub/sub", "zero",
                                                             "zero/a.txt", "zero/b.txt"}));

    // Success replaces it (when allowed), whatever its length was.
    WriteFile(t.file("old.bmp"), std::string(100000, 'z'));
    ASSERT_EQ(RunCrow({"pack", "--overwrite", "yes", t.file("zero/../zero"), t.file("old.bmp")}).status, 1);
    fs::remove(t.file("zero/b.txt"));
    ASSERT_EQ(RunCrow({"pack", "--overwrite", "yes", t.file("zero"), t.file("old.bmp")}).status, 0);
    EXPECT_EQ(fs::file_size(t.file("old.bmp")), 54u + 4 + 4 + 2 + 5 + 4 + 1);
}

TEST(CrowTool, SpecialFilesNeverHang) {
    TempDir t;
    ASSERT_EQ(::mkfifo(t.file("fifo.bmp").c_str(), 0600), 0);
    RunResult i = RunCrow({"info", t.file("fifo.bmp")});
    EXPECT_EQ(i.status, 1);
    EXPECT_NE(i.err.find("fifo.bmp"), std::string::npos) << i.err;
    RunResult r = RunCrow({"release", t.file("fifo.bmp"), t.file("d")});
    EXPECT_EQ(r.status, 1);
    RunResult d = RunCrow({"info", t.path().string()});
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.err.find("is a folder"), std::string::npos) << d.err;

    // A FIFO among the files to pack is left out, never read.
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/real.txt"), std::string("real"));
    ASSERT_EQ(::mkfifo(t.file("src/pipe").c_str(), 0600), 0);
    RunResult p = RunCrow({"pack", t.file("src"), t.file("o.bmp")});
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(RunCrow({"info", t.file("o.bmp")}).out.find("generation: 2\npassword: no\nfiles: 1\n"), 0u);

    // Asked to ask, but there is no terminal: the file is kept, and the user is told.
    fs::create_directories(t.file("dst"));
    WriteFile(t.file("dst/real.txt"), std::string("mine"));
    RunResult a = RunCrow({"release", "--overwrite", "ask", t.file("o.bmp"), t.file("dst")});
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(ReadFile(t.file("dst/real.txt")), "mine");
    EXPECT_NE(a.err.find("kept the existing"), std::string::npos) << a.err;
}

TEST(CrowTool, NamesSurviveTheTripAndChangesAreNoted) {
    TempDir t;
    struct Case {
        std::string disk, released;
    } cases[] = {
        {"¥500.txt", "￥500.txt"},
        {"a\\b.txt", "a＼b.txt"},
        {"c:drive.txt", "c：drive.txt"},
        {"line\nbreak", "line_break"},
        {"emoji_😀.txt", "emoji__.txt"},
        {"über.txt", "uber.txt"},
        {"csi\x9b[31m", "csi_[31m"},  // a byte that is not UTF-8
        {"表ソ.txt", "表ソ.txt"},
    };
    fs::create_directories(t.file("src"));
    for (const Case& c : cases) WriteFile(t.file("src/" + c.disk), "data of " + c.released);
    RunResult p = RunCrow({"pack", t.file("src"), t.file("n.bmp")});
    ASSERT_EQ(p.status, 0) << p.err;
    for (const Case& c : cases) {
        const std::string note = "crow: note: '" + PrintableNameForTest(c.disk) + "' is stored as '" + c.released + "'\n";
        EXPECT_EQ(p.err.find(note) != std::string::npos, c.disk != c.released) << note << p.err;
    }
    EXPECT_EQ(p.err.find("\x9b"), std::string::npos) << "a raw C1 byte reached the terminal";
    RunResult r = RunCrow({"release", t.file("n.bmp"), t.file("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const Case& c : cases) EXPECT_EQ(ReadFile(t.file("out/" + c.released)), "data of " + c.released);

    RunResult q = RunCrow({"pack", "--quiet", t.file("src"), t.file("q.bmp")});
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(q.err, "");

    // Refused before anything is written, with the file and the reason.
    struct Refusal {
        std::vector<std::string> names;
        std::string message;
    } refusals[] = {
        {{"x😀", "x😁"}, "'x😀' and 'x😁' would both be stored as 'x_'"},
        {{"¥.txt", "￥.txt"}, "'¥.txt' and '￥.txt' would both be stored as '￥.txt'"},
        {{"ok", "\u2024\u2024"}, "the name '\u2024\u2024' cannot be stored in a Crow file (the name . or .., as '..')"},
    };
    for (const Refusal& f : refusals) {
        fs::remove_all(t.file("bad"));
        fs::create_directories(t.file("bad"));
        for (const auto& n : f.names) WriteFile(t.file("bad/" + n), n);
        RunResult b = RunCrow({"pack", t.file("bad"), t.file("bad.bmp")});
        EXPECT_EQ(b.status, 1);
        EXPECT_NE(b.err.find(f.message), std::string::npos) << b.err;
        EXPECT_EQ(b.err.find("changed"), std::string::npos) << b.err;
        EXPECT_FALSE(fs::exists(t.file("bad.bmp")));
    }
}

TEST(CrowTool, PasswordsMeanWhatWasTyped) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/f.bin"), PatternBytes(5000, 9));
    for (const char* pw : {"שלום", "😀😀", "é", "ok\xFF"}) {
        RunResult r = RunCrow({"pack", "--format", "3", "--password-stdin", t.file("src"), t.file("p.bmp")},
                              std::string(pw) + "\n");
        EXPECT_EQ(r.status, 1) << pw;
        EXPECT_NE(r.err.find("Shift-JIS"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(t.file("p.bmp"))) << pw;
    }
    // Japanese passwords are fine.
    RunResult ok = RunCrow({"pack", "--format", "3", "--password-stdin", t.file("src"), t.file("p.bmp")}, "秘密ｶﾅ\n");
    ASSERT_EQ(ok.status, 0) << ok.err;
    ASSERT_EQ(RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("jp")}, "秘密ｶﾅ\n").status, 0);
    EXPECT_EQ(ReadFile(t.file("jp/f.bin")), PatternBytes(5000, 9));

    // A file made elsewhere with such a password still opens with it.
    WriteFile(t.file("else.bmp"), BuildCrow(3, {{"g.txt", "guarded"}}, 0, "____"));
    ASSERT_EQ(RunCrow({"release", "--password-stdin", t.file("else.bmp"), t.file("e")}, "שלום\n").status, 0);
    EXPECT_EQ(ReadFile(t.file("e/g.txt")), "guarded");

    // A file that needs no password takes an empty line, or none at all.
    WriteFile(t.file("open.bmp"), BuildCrow(2, {{"o.txt", "open"}}));
    for (const char* in : {"\n", ""}) {
        RunResult r = RunCrow({"release", "--password-stdin", t.file("open.bmp"), t.file(std::string("o") + in)}, in);
        EXPECT_EQ(r.status, 0) << r.err;
    }
    RunResult empty = RunCrow({"release", "--password-stdin", t.file("p.bmp"), t.file("x")}, "\n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("the password is empty"), std::string::npos) << empty.err;
}

TEST(CrowTool, MessagesTellTheTruth) {
    TempDir t;
    // Standard output that cannot be written is a failure.
    if (fs::exists("/dev/full")) {
        WriteFile(t.file("ex.bmp"), WorkedExample());
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"--help"}, {"--version"}, {"pack", "--help"}, {"info", t.file("ex.bmp")}}) {
            RunResult r = RunProgram({"sh", "-c", "exec \"$0\" \"$@\" >/dev/full", CrowBinary(), args[0],
                                      args.size() > 1 ? args[1] : "--"});
            EXPECT_EQ(r.status, 1) << args[0];
            EXPECT_NE(r.err.find("cannot write to standard output"), std::string::npos) << r.err;
        }
    }

    // A refused release leaves no new folder, not even the parents it made.
    std::string cut = BuildCrow(3, {{"a.txt", "abc"}});
    cut.pop_back();
    WriteFile(t.file("cut.bmp"), cut);
    WriteFile(t.file("evil.bmp"), BuildCrow(2, {{"ok.txt", "1"}, {"..", "2"}}));
    for (const char* f : {"cut.bmp", "evil.bmp", "none.bmp"}) {
        RunResult r = RunCrow({"release", t.file(f), t.file("new/deeper")});
        EXPECT_EQ(r.status, 1) << f;
        EXPECT_FALSE(fs::exists(t.file("new"))) << f << r.err;
    }

    // A name that is a folder in the destination.
    WriteFile(t.file("d.bmp"), BuildCrow(2, {{"a.txt", "a"}, {"sub", "s"}}));
    fs::create_directories(t.file("dst/sub/inner"));
    RunResult f = RunCrow({"release", "--overwrite", "yes", t.file("d.bmp"), t.file("dst")});
    EXPECT_EQ(f.status, 1);
    EXPECT_NE(f.err.find("dst/sub' is a folder"), std::string::npos) << f.err;

    // A name made to drive the terminal is shown escaped.
    WriteFile(t.file("esc.bmp"), BuildCrow(2, {{"\x1b]0;owned\x07", "x"}}));
    RunResult e = RunCrow({"release", t.file("esc.bmp"), t.file("e")});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.err.find("'\\x1B]0;owned\\x07'"), std::string::npos) << e.err;
    EXPECT_EQ(e.err.find('\x1b'), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"\x1b[2J"}, {"info", "--\x1b[2J"}, {"pack", "--format", "\x9b" "5", "a", "b"}}) {
        RunResult u = RunCrow(args);
        EXPECT_EQ(u.status, 2);
        EXPECT_EQ(u.err.find_first_of("\x1b\x9b"), std::string::npos) << u.err;
    }
}

// An OUTPUT that is no file to replace is refused before anything is written, and named for
// what it is; a link to a file writes its target and keeps the link.
TEST(CrowTool, PackOutputThatIsNoFile) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a.txt"), std::string("a"));
    fs::create_directories(t.file("folder.bmp"));
    ASSERT_EQ(::mkfifo(t.file("fifo.bmp").c_str(), 0600), 0);
    fs::create_symlink(t.file("gone.bmp"), t.file("dangling.bmp"));
    std::vector<std::pair<std::string, std::string>> cases{
        {"folder.bmp", "is a folder"}, {"fifo.bmp", "is a FIFO"}, {"dangling.bmp", "is a link to nothing"}};
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(t.file("null.bmp").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
        cases.emplace_back("null.bmp", "is a device");
    }
    for (const auto& [name, expect] : cases) {
        RunResult r = RunCrow({"pack", t.file("src"), t.file(name)});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find(expect), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_fifo(t.file("fifo.bmp")));
    EXPECT_FALSE(fs::exists(t.file("gone.bmp")));

    WriteFile(t.file("target.bmp"), std::string("older"));
    fs::create_symlink(t.file("target.bmp"), t.file("link.bmp"));
    ASSERT_EQ(RunCrow({"pack", "--overwrite", "yes", t.file("src"), t.file("link.bmp")}).status, 0);
    EXPECT_TRUE(fs::is_symlink(t.file("link.bmp")));
    EXPECT_EQ(ReadFile(t.file("target.bmp")).substr(54, 4), "CRW2");
}
