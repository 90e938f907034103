#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "CrowTestUtil.h"
#include "crow/CrowWriter.h"
#include "crow/FolderListing.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Listed(const std::string& crow) {
    WxhObject o;
    int32_t ver, ex, n;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
    EXPECT_EQ(o.GetCrowInfo(crow, ver, ex, n, names, sizes), 0);
    return names;
}

// Regular files only, a link to one counts, hidden names, sub-folders, FIFOs, sockets and
// dangling links do not; order ignores case, ties go by the bytes.
TEST(Listing, WhatIsPackedAndInWhichOrder) {
    TempDir src, out;
    WriteFile(src.file("b.txt"), "b");
    WriteFile(src.file("A.txt"), "A-upper");  // ties made in both orders: the bytes decide them
    WriteFile(src.file("a.txt"), "a-lower");
    WriteFile(src.file("d.txt"), "d");
    WriteFile(src.file("D.txt"), "D");
    WriteFile(src.file("C.txt"), "C");
    for (const char* n : {"eE", "Ee", "ee", "EE"}) WriteFile(src.file(n), n);  // four alike but for case
    for (const char* n : {"Β.txt", "α.txt", "Ｂ.txt", "ａ.txt"}) WriteFile(src.file(n), n);  // case of every letter
    WriteFile(src.file(".hidden"), "h");
    fs::create_directory(src.file("sub"));
    WriteFile(src.file("sub/inner"), "i");
    ASSERT_EQ(::mkfifo(src.file("fifo").c_str(), 0600), 0);  // would block a reader
    fs::create_symlink(src.file("C.txt"), src.file("link-to-c"));
    fs::create_symlink(src.file("gone"), src.file("dangling"));
    fs::create_directory_symlink(src.file("sub"), src.file("link-to-sub"));
    {
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string p = src.file("sock");
        if (p.size() < sizeof addr.sun_path) {
            std::copy(p.begin(), p.end(), addr.sun_path);
            ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        }
        ::close(s);
    }
    WxhObject o;
    ASSERT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(Listed(out.file("c.bmp")), (std::vector<std::string>{"A.txt", "a.txt", "b.txt", "C.txt", "D.txt", "d.txt", "EE", "Ee", "eE", "ee", "link-to-c", "α.txt", "Β.txt",
                                                                  "ａ.txt", "Ｂ.txt"}));
    TempDir dst;
    ASSERT_EQ(o.UnCrow2(out.file("c.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(dst.file("link-to-c")), "C");
    EXPECT_EQ(ReadFile(dst.file("A.txt")), "A-upper");
}

// Files are held open from the listing up to the allowance; the rest are measured by name and
// opened at their turn. A pack with a handful of descriptors to spare mixes both and loses nothing.
TEST(Listing, FilesBeyondTheOpenAllowanceAreReadByName) {
    TempDir src;
    for (int i = 0; i < 5; ++i) WriteFile(src.file("f" + std::to_string(i)), std::string(10 + i, 'x'));
    fs::create_symlink(src.file("f0"), src.file("link"));
    const int dirfd = ::open(src.str().c_str(), O_RDONLY | O_DIRECTORY);
    std::vector<ListedFile> files;
    ASSERT_TRUE(ListFolder(dirfd, files, 100, 2));
    {  // a listing with a limit stops one file past it: enough to tell there are too many
        std::vector<ListedFile> few;
        ASSERT_TRUE(ListFolder(dirfd, few, 3, 0));
        EXPECT_EQ(few.size(), 4u);
    }
    ::close(dirfd);
    ASSERT_EQ(files.size(), 6u);
    int held = 0;
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(files[i].name, "f" + std::to_string(i));
        EXPECT_EQ(files[i].size, static_cast<int64_t>(10 + i));
        held += files[i].fd.ok();
    }
    EXPECT_EQ(held, 2);
    EXPECT_FALSE(files[5].fd.ok());  // a link is measured where it leads, by name

    // Every file held from the listing is closed at the end, all at once, and nothing else is.
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const int keep = ::open("/dev/null", O_RDONLY);  // sits below the pack's descriptors
    const auto before = openDescriptors();
    {
        TempDir out;
        WxhObject o;
        ASSERT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    }
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(::fcntl(keep, F_GETFD), 0);
    ::close(keep);

    const auto packUnderALowLimit = [] {
        TempDir many, out, dst;
        for (int i = 0; i < 300; ++i) WriteFile(many.file("m" + std::to_string(i)), PatternBytes(100 + i));
        struct rlimit rl {300, 300};  // the allowance leaves 44 of these for held files
        if (::setrlimit(RLIMIT_NOFILE, &rl) != 0) std::_Exit(3);
        WxhObject o;
        if (o.Crow2(many.str(), out.file("c.bmp")) != 0) std::_Exit(4);
        if (::getrlimit(RLIMIT_NOFILE, &rl) != 0 || rl.rlim_cur != 300) std::_Exit(5);  // given back
        if (o.UnCrow2(out.file("c.bmp"), dst.str()) != 0) std::_Exit(6);
        for (int i = 0; i < 300; ++i)
            if (ReadFile(dst.file("m" + std::to_string(i))) != PatternBytes(100 + i)) std::_Exit(7);
        std::_Exit(0);
    };
    EXPECT_EXIT(packUnderALowLimit(), ::testing::ExitedWithCode(0), "");

    // A soft limit below the hard one is raised for the pack and given back afterwards.
    const auto packUnderARaisableLimit = [&src] {
        TempDir out;
        struct rlimit rl {300, 4096};
        if (::setrlimit(RLIMIT_NOFILE, &rl) != 0) std::_Exit(3);
        WxhObject o;
        if (o.Crow2(src.str(), out.file("c.bmp")) != 0) std::_Exit(4);
        if (::getrlimit(RLIMIT_NOFILE, &rl) != 0 || rl.rlim_cur != 300 || rl.rlim_max != 4096) std::_Exit(5);
        std::_Exit(0);
    };
    EXPECT_EXIT(packUnderARaisableLimit(), ::testing::ExitedWithCode(0), "");
}

// (a) A failed pack leaves an older file of that name as it was and no temporary file.
TEST(WriterSafety, FailureKeepsTheOldCrowFile) {
    TempDir src, out;
    WriteFile(src.file("a"), PatternBytes(3 << 20));  // more than one read buffer
    const std::string crow = out.file("c.bmp");
    WriteFile(crow, "older");
    auto* dialog = new HeadlessProgress;
    dialog->onPoint = [&](int64_t, int64_t) { fs::resize_file(src.file("a"), 100); };  // shrinks while read
    WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
    EXPECT_EQ(o.Crow3(src.str(), crow), 2);
    EXPECT_EQ(ReadFile(crow), "older");
    EXPECT_EQ(Entries(out.str()), std::vector<std::string>{"c.bmp"});
    EXPECT_FALSE(dialog->Shown());
}

// A file that changes or goes between the listing and its reading fails the pack (the size
// table is already written and must not disagree with the data).
TEST(WriterSafety, FileChangedOrRemovedAfterListing) {
    const std::vector<std::function<void(const TempDir&)>> changes = {
        [](const TempDir& s) { fs::remove(s.file("b")); },
        [](const TempDir& s) { WriteFile(s.file("b"), "longer than before"); },
        [](const TempDir& s) { WriteFile(s.file("b"), "s"); },
        [](const TempDir& s) {
            fs::remove(s.file("b"));
            ::mkfifo(s.file("b").c_str(), 0600);  // must not block
        },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        TempDir src, out;
        WriteFile(src.file("a"), "first");
        WriteFile(src.file("b"), "second");
        auto* dialog = new HeadlessProgress;
        dialog->onFileStart = [&](const std::string& name, int64_t) {
            if (name == "a") changes[i](src);
        };
        WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
        EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 2) << i;
        EXPECT_TRUE(fs::is_empty(out.path())) << i;
    }
    // Growing while it is being read.
    TempDir src, out;
    WriteFile(src.file("a"), PatternBytes(40000));
    auto* dialog = new HeadlessProgress;
    dialog->onPoint = [&](int64_t, int64_t) {
        std::ofstream(src.file("a"), std::ios::app) << "more";
    };
    WxhObject o([dialog] { return std::unique_ptr<ProgressDialog>(dialog); });
    EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 2);
    EXPECT_TRUE(fs::is_empty(out.path()));
}

std::string g_growIn;  // the folder whose file SetSourceOpenedHook makes longer

void GrowWhenOpened(const std::string& name) { std::ofstream(g_growIn + "/" + name, std::ios::app) << "more"; }

// A file that grows after it was measured, just before its bytes are read, is caught by the
// read itself (it asks for a byte more than it expects), however small the file.
TEST(WriterSafety, FileGrowingJustBeforeItIsReadIsRefused) {
    for (const size_t size : {size_t{1}, size_t{6}, size_t{70000}}) {
        TempDir src, out;
        WriteFile(src.file("a"), PatternBytes(size));
        g_growIn = src.str();
        SetSourceOpenedHook(GrowWhenOpened);
        WxhObject o;
        const int32_t r = o.Crow2(src.str(), out.file("c.bmp"));
        SetSourceOpenedHook(nullptr);
        EXPECT_EQ(r, 2) << size;
        EXPECT_EQ(o.Status().reason, CrowReason::SourceChanged) << size;
        EXPECT_TRUE(fs::is_empty(out.path())) << size;
    }
}

// (b) The password key needs no file: no "wxh.TMP" appears beside the program or here.
TEST(WriterSafety, PasswordLeavesNoTemporaryFile) {
    TempDir src, out, dst;
    WriteFile(src.file("a"), "abc");
    const fs::path exeDir = fs::read_symlink("/proc/self/exe").parent_path();
    WriteFile(out.file("wxh.TMP"), "stale");  // a stale file changes nothing
    const fs::path oldCwd = fs::current_path();
    fs::current_path(out.path());
    WxhObject o;
    EXPECT_EQ(o.Crow3(src.str(), out.file("c.bmp"), "pass"), 0);
    EXPECT_EQ(o.UnCrow3(out.file("c.bmp"), dst.str(), "pass"), 0);
    fs::current_path(oldCwd);
    EXPECT_FALSE(fs::exists(exeDir / "wxh.TMP"));
    EXPECT_EQ(ReadFile(out.file("wxh.TMP")), "stale");
    EXPECT_EQ(ReadFile(dst.file("a")), "abc");
}

// (g) Refused before anything is created.
TEST(WriterSafety, LimitsAreCheckedUpFront) {
    TempDir out;
    {  // a file of 2^31 bytes (sparse)
        TempDir src;
        WriteFile(src.file("big"), "");
        fs::resize_file(src.file("big"), uint64_t{1} << 31);
        WxhObject o;
        EXPECT_EQ(o.Crow3(src.str(), out.file("c.bmp")), 2);
    }
    {  // a size value that would reach 2^31
        TempDir src;
        WriteFile(src.file("a"), "");
        WriteFile(src.file("b"), "");
        fs::resize_file(src.file("a"), (uint64_t{1} << 30));
        fs::resize_file(src.file("b"), (uint64_t{1} << 30) - 70);  // CRW2: S = 66 + 2 + 2 + 2^31 - 70 = 2^31
        WxhObject o;
        EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 2);
        EXPECT_EQ(o.Crow3(src.str(), out.file("c.bmp")), 2);
    }
    {  // names equal once in CP932, and a name that could not be released
        TempDir src, src2;
        WriteFile(src.file("é.txt"), "1");
        WriteFile(src.file("e.txt"), "2");
        WriteFile(src2.file("\u2024"), "3");  // transliterates to "."
        WxhObject o;
        EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 2);
        EXPECT_EQ(o.Crow2(src2.str(), out.file("c.bmp")), 2);
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST(WriterSafety, MoreThan32767FilesAreRefused) {
    TempDir src, out;
    for (int i = 0; i < 32767; ++i) {
        std::ofstream(src.file(std::to_string(i))) << 'x';
    }
    WxhObject o;
    ASSERT_EQ(o.Crow2(src.str(), out.file("ok.bmp")), 0);
    EXPECT_EQ(Listed(out.file("ok.bmp")).size(), 32767u);
    std::ofstream(src.file("one-more")) << 'x';
    EXPECT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 2);
    EXPECT_FALSE(fs::exists(out.file("c.bmp")));
}

TEST(WriterSafety, CharactersCp932LacksAreTransliterated) {
    TempDir src, out, dst;
    WriteFile(src.file("café ✓.txt"), "x");
    WxhObject o;
    ASSERT_EQ(o.Crow2(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(Listed(out.file("c.bmp")), std::vector<std::string>{"cafe _.txt"});
    ASSERT_EQ(o.UnCrow2(out.file("c.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(dst.file("cafe _.txt")), "x");
}

// (e) Names that are not plain file names fail the release before anything is written.
TEST(ReleaseSafety, UnsafeNamesAreRefused) {
    const std::vector<std::string> bad = {"",
                                          ".",
                                          "..",
                                          "../evil",
                                          "sub/file",
                                          "sub\\file",
                                          std::string("nul\0x", 5),
                                          "tab\there",
                                          "C:evil",
                                          "z:",
                                          "\x81",        // a lead byte without its trail byte
                                          "\x85\x40",    // an unassigned double-byte code
                                          std::string(256, 'n'),
                                          [] {  // 200 bytes in CP932, 300 in UTF-8
                                              std::string a;
                                              for (int i = 0; i < 100; ++i) a += "\x82\xA0";
                                              return a;
                                          }()};
    TempDir t;
    for (size_t i = 0; i < bad.size(); ++i) {
        TempDir dst;
        WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW2", {"fine", bad[i]}, {1, 1}, "ab"));
        WxhObject o;
        EXPECT_EQ(o.UnCrow2(t.file("c.bmp"), dst.str()), 2) << i;
        EXPECT_TRUE(fs::is_empty(dst.path())) << i;
    }
    // The same name twice.
    TempDir dst;
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"same", "same"}, {1, 1}, "ab"));
    WxhObject o;
    EXPECT_EQ(o.UnCrow1(t.file("c.bmp"), dst.str()), 2);
    EXPECT_TRUE(fs::is_empty(dst.path()));
    EXPECT_FALSE(fs::exists(t.path().parent_path() / "evil"));
}

TEST(ReleaseSafety, LongestAllowedNameAndTrailByte5C) {
    TempDir t, dst;
    const std::string longName(255, 'n');
    const std::string hyo = Utf8ToCp932("表示ソフト");
    ASSERT_NE(hyo.find('\x5C'), std::string::npos);
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {longName, hyo}, {1, 1}, "ab"));
    WxhObject o;
    ASSERT_EQ(o.UnCrow1(t.file("c.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(dst.file(longName)), "a");
    EXPECT_EQ(ReadFile(dst.file("表示ソフト")), "b");
}

// A link or FIFO at a destination name is replaced, never followed or opened.
TEST(ReleaseSafety, LinksAndFifosAreReplacedNotFollowed) {
    TempDir t, dst, elsewhere;
    WriteFile(elsewhere.file("victim"), "precious");
    fs::create_symlink(elsewhere.file("victim"), dst.file("a"));
    ASSERT_EQ(::mkfifo(dst.file("b").c_str(), 0600), 0);
    fs::create_symlink(elsewhere.file("not-there"), dst.file("c"));
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a", "b", "c"}, {1, 2, 3}, "ABBCCC"));
    FixedOverwriteAnswer yes(6);
    WxhObject o(nullptr, &yes);
    ASSERT_EQ(o.UnCrow1(t.file("c.bmp"), dst.str()), 0);
    EXPECT_EQ(ReadFile(elsewhere.file("victim")), "precious");
    EXPECT_FALSE(fs::exists(elsewhere.file("not-there")));
    for (const char* n : {"a", "b", "c"}) EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dst.file(n)))) << n;
    EXPECT_EQ(ReadFile(dst.file("b")), "BB");
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ReleaseSafety, AFolderAtADestinationNameFailsTheRelease) {
    TempDir t, dst;
    fs::create_directory(dst.file("b"));
    WriteFile(dst.file("b/inside"), "kept");
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a", "b"}, {1, 1}, "AB"));
    FixedOverwriteAnswer yes(6);
    WxhObject o(nullptr, &yes);
    EXPECT_EQ(o.UnCrow1(t.file("c.bmp"), dst.str()), 2);
    EXPECT_EQ(ReadFile(dst.file("a")), "A");  // released before stays
    EXPECT_EQ(ReadFile(dst.file("b/inside")), "kept");
    EXPECT_EQ(Entries(dst.str()), (std::vector<std::string>{"a", "b"}));
}

// Released files get ordinary permissions, not those of a private temporary file.
TEST(ReleaseSafety, ReleasedFilesHaveOrdinaryPermissions) {
    TempDir t, dst;
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a"}, {1}, "A"));
    const mode_t old = ::umask(022);
    WxhObject o;
    ASSERT_EQ(o.UnCrow1(t.file("c.bmp"), dst.str()), 0);
    ::umask(old);
    EXPECT_EQ(fs::status(dst.file("a")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(WriterKeys, TwoPacksDrawIndependentKeyNumbers) {
    TempDir src, out;
    WriteFile(src.file("a"), PatternBytes(5000));
    std::set<std::string> headers, data;
    for (int i = 0; i < 3; ++i) {
        WxhObject o;
        ASSERT_EQ(o.Crow3(src.str(), out.file("c.bmp")), 0);
        const std::string b = ReadFile(out.file("c.bmp"));
        headers.insert(b.substr(0, 58) + b.substr(62, 4 + 2 + 1 + 4));  // everything but KeyNumber
        data.insert(b.substr(58, 4));
    }
    EXPECT_EQ(headers.size(), 1u);
    EXPECT_GT(data.size(), 1u);
}

// Without a password every even position takes the high byte, every odd the low byte.
TEST(WriterKeys, KeyNumberPatternInTheData) {
    TempDir src, out;
    WriteFile(src.file("a"), std::string(4000, '\0'));
    WxhObject o;
    ASSERT_EQ(o.Crow3(src.str(), out.file("c.bmp")), 0);
    const std::string b = ReadFile(out.file("c.bmp"));
    const int32_t k = static_cast<int32_t>(crowfmt::GetU32(reinterpret_cast<const uint8_t*>(b.data()) + 58));
    ASSERT_GE(k, 1);
    ASSERT_LE(k, 16382);
    const std::string d = b.substr(b.size() - 4000);
    for (size_t p = 0; p < d.size(); ++p) {
        const uint8_t expected = static_cast<uint8_t>(0 - (p % 2 == 0 ? k / 256 : k % 256));
        ASSERT_EQ(static_cast<uint8_t>(d[p]), expected) << p;
    }
    // A one-character password: a 2-byte key, every second byte stored unchanged.
    ASSERT_EQ(o.Crow3(src.str(), out.file("p.bmp"), "A"), 0);
    const std::string p = ReadFile(out.file("p.bmp"));
    EXPECT_EQ(crowfmt::GetU32(reinterpret_cast<const uint8_t*>(p.data()) + 58), 0u);
    const std::string pd = p.substr(p.size() - 4000);
    for (size_t i = 0; i < pd.size(); ++i)
        ASSERT_EQ(static_cast<uint8_t>(pd[i]), i % 2 ? 0 : static_cast<uint8_t>(0 - 'A')) << i;
}

// A wrong password is not detected: the release completes with other bytes.
TEST(WriterKeys, WrongPasswordReleasesOtherBytes) {
    TempDir src, out, dst, dst2;
    WriteFile(src.file("a"), "secret text");
    WxhObject o;
    ASSERT_EQ(o.Crow3(src.str(), out.file("c.bmp"), "right"), 0);
    ASSERT_EQ(o.UnCrow3(out.file("c.bmp"), dst.str(), "wrong"), 0);
    EXPECT_NE(ReadFile(dst.file("a")), "secret text");
    // A file made without a password ignores one given.
    ASSERT_EQ(o.Crow3(src.str(), out.file("n.bmp")), 0);
    ASSERT_EQ(o.UnCrow3(out.file("n.bmp"), dst2.str(), "ignored"), 0);
    EXPECT_EQ(ReadFile(dst2.file("a")), "secret text");
}

// Written over a longer file, a Crow file is as long as its own content.
TEST(WriterSafety, ReplacesALongerFileEntirely) {
    TempDir src, out;
    WriteFile(src.file("a"), "abc");
    WriteFile(out.file("c.bmp"), std::string(10000, 'z'));
    WxhObject o;
    ASSERT_EQ(o.Crow3(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(fs::file_size(out.file("c.bmp")), 66u + 2 + 1 + 4 + 3);
}

}  // namespace

namespace {

// Damaged Crow files (random bytes changed, cut or appended) never crash a reader and never
// write anywhere but the destination folder.
TEST(ReleaseSafety, DamagedFilesAreHandled) {
    TempDir src, work;
    WriteFile(src.file("a.txt"), PatternBytes(300, 1));
    WriteFile(src.file("日本.txt"), PatternBytes(40, 2));
    WriteFile(src.file("c"), PatternBytes(30000, 3));
    {
        WxhObject o;
        ASSERT_EQ(o.Crow2(src.str(), work.file("2.bmp")), 0);
        ASSERT_EQ(o.Crow3(src.str(), work.file("3.bmp"), "pw"), 0);
    }
    const std::string good2 = ReadFile(work.file("2.bmp")), good3 = ReadFile(work.file("3.bmp"));
    uint32_t x = 12345;
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    const fs::path dst = work.path() / "dst" / "inner";
    for (int round = 0; round < 400; ++round) {
        std::string b = (round % 2) ? good3 : good2;
        const size_t header = 120;  // damage mostly the header and tables
        const int changes = 1 + static_cast<int>(next() % 4);
        for (int k = 0; k < changes; ++k) b[next() % std::min(header, b.size())] = static_cast<char>(next());
        if (round % 7 == 0) b.resize(next() % b.size());
        if (round % 11 == 0) b += "tail";
        WriteFile(work.file("bad.bmp"), b);
        fs::remove_all(work.path() / "dst");
        fs::create_directories(dst);
        WxhObject o;
        int32_t ver, ex, n;
        std::vector<std::string> names;
        std::vector<int32_t> sizes;
        const int32_t info = o.GetCrowInfo(work.file("bad.bmp"), ver, ex, n, names, sizes);
        EXPECT_TRUE(info == 0 || info == 1 || info == 2);
        const int32_t r1 = o.UnCrow1(work.file("bad.bmp"), dst.string());
        const int32_t r2 = o.UnCrow2(work.file("bad.bmp"), dst.string());
        const int32_t r3 = o.UnCrow3(work.file("bad.bmp"), dst.string(), "pw");
        for (int32_t r : {r1, r2, r3}) EXPECT_TRUE(r >= 0 && r <= 3) << round;
        // Only the destination folder may have changed.
        size_t outside = 0;
        for (const auto& e : fs::recursive_directory_iterator(work.path() / "dst"))
            if (e.path().parent_path() != dst && e.path() != dst) ++outside;
        EXPECT_EQ(outside, 0u) << round;
        for (const auto& e : fs::directory_iterator(dst)) EXPECT_NE(e.path().filename().string().rfind(".wxh-", 0), 0u);
    }
    std::vector<std::string> workEntries;
    for (const auto& e : fs::directory_iterator(work.path())) workEntries.push_back(e.path().filename().string());
    std::sort(workEntries.begin(), workEntries.end());
    EXPECT_EQ(workEntries, (std::vector<std::string>{"2.bmp", "3.bmp", "bad.bmp", "dst"}));
}

TEST(ReleaseSafety, EmptyDestinationIsRefused) {
    TempDir t;
    WriteFile(t.file("c.bmp"), MakeCrowBytes("CRW1", {"a"}, {1}, "A"));
    WxhObject o;
    EXPECT_EQ(o.UnCrow1(t.file("c.bmp"), ""), 2);
}

}  // namespace
