// The crow tool when the disk fills up, a file size limit is hit, or permissions are
// missing: the exit status and message say what happened, an existing file of the
// output's name is untouched, and no temporary file is left.
#include <gtest/gtest.h>

#include <unistd.h>

#include "cli/cli_support.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace wxh::test;

namespace {

bool CanMountPrivateTmpfs() {
    TempDir t;
    return RunProgram({"unshare", "-rm", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs \"$1\"", "sh", t.str()}).status == 0;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Runs the tool with its working folder `mnt` on a 1 MiB tmpfs of its own; `setup` runs
// there first. Leaves in `res`: status, err, listing (of the tmpfs afterwards) and copies of
// the files named in `keep`.
RunResult RunOnSmallDisk(const std::string& mnt, const std::string& res, const std::string& setup,
                         const std::string& crowArgs, const std::string& keep) {
    std::string script =
        "set -e; mount -t tmpfs -o size=1m tmpfs \"$MNT\"; cd \"$MNT\"; " + setup +
        "; set +e; \"$CROW\" " + crowArgs + " 2> \"$RES/err\"; echo $? > \"$RES/status\"; "
        "find . -mindepth 1 | sort > \"$RES/listing\"; for f in " + keep + "; do cp \"$f\" \"$RES/\"; done";
    return RunProgram({"unshare", "-rm", "env", "MNT=" + mnt, "RES=" + res, "CROW=" + CrowBinary(), "sh", "-c", script});
}

}  // namespace

TEST(CrowFaults, DiskFullDuringPack) {
    if (!CanMountPrivateTmpfs()) GTEST_SKIP() << "no private mount namespace with tmpfs here (unshare -rm)";
    TempDir t;
    fs::create_directories(t.file("src"));
    for (const char* n : {"a.bin", "b.bin", "c.bin"}) WriteFile(t.file("src/") + n, PatternBytes(700 * 1024, 5));
    // The message gives the length the Crow file would have had: that of the same pack on a
    // disk with room.
    for (const std::string format : {"2", "3"}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(RunCrow({"pack", "--format", format, t.file("src"), t.file("roomy.bmp")}).status, 0);
        const std::string needs = "(it needs about " + std::to_string(fs::file_size(t.file("roomy.bmp"))) + " bytes)";
        fs::remove(t.file("roomy.bmp"));
        fs::remove_all(t.file("mnt"));
        fs::remove_all(t.file("res"));
        fs::create_directories(t.file("mnt"));
        fs::create_directories(t.file("res"));
        RunResult r = RunOnSmallDisk(t.file("mnt"), t.file("res"), "printf 'old crow file' > out.bmp",
                                     "pack --format " + format + " --overwrite yes \"" + t.file("src") + "\" out.bmp",
                                     "out.bmp");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(t.file("res/status")), "1\n");
        std::string err = ReadFile(t.file("res/err"));
        EXPECT_NE(err.find("space"), std::string::npos) << err;
        EXPECT_NE(err.find("out.bmp"), std::string::npos) << err;
        EXPECT_NE(err.find(needs), std::string::npos) << err;
        EXPECT_EQ(Lines(ReadFile(t.file("res/listing"))), std::vector<std::string>{"./out.bmp"});
        EXPECT_EQ(ReadFile(t.file("res/out.bmp")), "old crow file");
    }
}

TEST(CrowFaults, DiskFullDuringRelease) {
    if (!CanMountPrivateTmpfs()) GTEST_SKIP() << "no private mount namespace with tmpfs here (unshare -rm)";
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/a.txt"), std::string("small first"));
    WriteFile(t.file("src/b.bin"), PatternBytes(3 * 1024 * 1024, 6));
    WriteFile(t.file("src/c.txt"), std::string("never reached"));
    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    fs::create_directories(t.file("mnt"));
    fs::create_directories(t.file("res"));
    RunResult r = RunOnSmallDisk(t.file("mnt"), t.file("res"), "mkdir dst; printf 'old b' > dst/b.bin",
                                 "release --overwrite yes \"" + t.file("c.bmp") + "\" dst", "dst/a.txt dst/b.bin");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(t.file("res/status")), "1\n");
    std::string err = ReadFile(t.file("res/err"));
    EXPECT_NE(err.find("space"), std::string::npos) << err;
    EXPECT_EQ(Lines(ReadFile(t.file("res/listing"))), (std::vector<std::string>{"./dst", "./dst/a.txt", "./dst/b.bin"}));
    EXPECT_EQ(ReadFile(t.file("res/a.txt")), "small first");
    EXPECT_EQ(ReadFile(t.file("res/b.bin")), "old b");
}

TEST(CrowFaults, FileSizeLimit) {
    TempDir t;
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/big.bin"), PatternBytes(3 * 1024 * 1024, 7));
    WriteFile(t.file("out.bmp"), std::string("previous"));
    auto limited = [&](const std::string& args) {
        return RunProgram({"bash", "-c", "ulimit -f 1024; exec \"$0\" " + args, CrowBinary()});
    };
    RunResult p = limited("pack --overwrite yes \"" + t.file("src") + "\" \"" + t.file("out.bmp") + "\"");
    EXPECT_EQ(p.status, 1) << p.err;
    EXPECT_NE(p.err.find("file size limit"), std::string::npos) << p.err;
    EXPECT_EQ(ReadFile(t.file("out.bmp")), "previous");
    EXPECT_EQ(ListTree(t.path()), (std::vector<std::string>{"out.bmp", "src", "src/big.bin"}));

    ASSERT_EQ(RunCrow({"pack", t.file("src"), t.file("c.bmp")}).status, 0);
    fs::create_directories(t.file("dst"));
    WriteFile(t.file("dst/big.bin"), std::string("old"));
    RunResult r = limited("release --overwrite yes \"" + t.file("c.bmp") + "\" \"" + t.file("dst") + "\"");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("file size limit"), std::string::npos) << r.err;
    EXPECT_EQ(ListTree(t.file("dst")), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(ReadFile(t.file("dst/big.bin")), "old");
}

TEST(CrowFaults, PermissionsOfAnOrdinaryUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to drop to an ordinary user with setpriv";
    if (RunProgram({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "true"}).status != 0)
        GTEST_SKIP() << "setpriv cannot drop to uid 65534 here";
    TempDir t;
    fs::permissions(t.path(), fs::perms::all);
    auto asNobody = [&](std::vector<std::string> args) {
        std::vector<std::string> argv{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", CrowBinary()};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv);
    };
    fs::create_directories(t.file("src"));
    WriteFile(t.file("src/open.txt"), std::string("readable"));
    WriteFile(t.file("src/secret.txt"), std::string("not for nobody"));
    fs::permissions(t.file("src/secret.txt"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(t.file("pub"));
    fs::permissions(t.file("pub"), fs::perms::all);

    // An unreadable file in the folder: named, and no output.
    RunResult p = asNobody({"pack", t.file("src"), t.file("pub/o.bmp")});
    EXPECT_EQ(p.status, 1);
    EXPECT_NE(p.err.find("secret.txt': Permission denied"), std::string::npos) << p.err;
    EXPECT_TRUE(ListTree(t.file("pub")).empty());

    // An output folder the user may not write into.
    fs::remove(t.file("src/secret.txt"));
    RunResult w = asNobody({"pack", t.file("src"), t.file("src/o.bmp")});
    EXPECT_EQ(w.status, 1);
    EXPECT_NE(w.err.find("cannot write into"), std::string::npos) << w.err;

    // A destination the user may not write into.
    ASSERT_EQ(asNobody({"pack", t.file("src"), t.file("pub/o.bmp")}).status, 0);
    RunResult r = asNobody({"release", "--overwrite", "yes", t.file("pub/o.bmp"), t.file("src")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    RunResult c = asNobody({"release", t.file("pub/o.bmp"), t.file("src/new")});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.err.find("cannot create the folder"), std::string::npos) << c.err;
}
