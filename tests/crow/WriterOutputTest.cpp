// Where the Crow file being written meets the folder and the file it replaces: a stop just
// before the naming, the Crow file inside the folder it packs, consent to replace.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "crow/CrowWriter.h"
#include "crow/HeadlessProgress.h"
#include "crow/WxhObject.h"
#include "support/TempDir.h"

using namespace wxh;
using namespace wxh::test;
namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t g_signalled = 0;
void NoteSignal(int) { g_signalled = 1; }
void SignalNow() { ::raise(SIGUSR1); }

// Stops on a noted signal, as the command-line tool's progress does.
class SignalledProgress : public HeadlessProgress {
public:
    bool StopRequested() const override { return g_signalled != 0; }
    void OnNotPacked(const NotPacked& s) override { skipped = s; }
    NotPacked skipped;
};

struct Packer {
    SignalledProgress* dialog = nullptr;
    WxhObject object{[this] {
        auto d = std::make_unique<SignalledProgress>();
        dialog = d.get();
        return d;
    }};
};

size_t Entries(const TempDir& t) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(t.path())) ++n;
    return n;
}

}  // namespace

// A real signal while the last bytes go out cancels the pack: an older Crow file stays as it
// was, a new one never appears; without the signal the same pack completes.
TEST(WriterOutput, SignalAtTheFinalFlushLeavesTheOlderFile) {
    std::signal(SIGUSR1, NoteSignal);
    for (const bool older : {true, false}) {
        TempDir src, out;
        WriteFile(src.file("a.bin"), PatternBytes(700000));
        if (older) WriteFile(out.file("c.bmp"), std::string("older"));
        Packer p;
        g_signalled = 0;
        SetBeforePublishHook(SignalNow);
        EXPECT_EQ(p.object.Crow2(src.str(), out.file("c.bmp")), -1) << older;
        EXPECT_EQ(p.object.Status().reason, CrowReason::Cancelled);
        EXPECT_EQ(g_signalled, 1);
        EXPECT_EQ(Entries(out), older ? 1u : 0u);
        if (older) {
            EXPECT_EQ(ReadFile(out.file("c.bmp")), "older");
        }
        SetBeforePublishHook(nullptr);
        g_signalled = 0;
        EXPECT_EQ(p.object.Crow3(src.str(), out.file("c.bmp"), "pw"), 0);
        EXPECT_EQ(ReadFile(out.file("c.bmp")).substr(54, 4), "CRW3");
    }
    std::signal(SIGUSR1, SIG_DFL);
}

// The Crow file is never packed into itself, by its name in the folder or through a link to
// it: packing twice gives the same file, and what was left out is told.
TEST(WriterOutput, NeverPacksItsOwnOutput) {
    TempDir src;
    WriteFile(src.file("a.txt"), std::string("abc"));
    WriteFile(src.file(".hidden"), std::string("h"));
    fs::create_directories(src.file("sub"));
    fs::create_directories(src.file(".git"));
    Packer p;
    ASSERT_EQ(p.object.Crow2(src.str(), src.file("self.bmp")), 0);
    const std::string first = ReadFile(src.file("self.bmp"));
    EXPECT_EQ(p.dialog->skipped.folders, 2);
    EXPECT_EQ(p.dialog->skipped.hidden, 1);
    EXPECT_EQ(p.dialog->skipped.output, "");
    ASSERT_EQ(p.object.Crow2(src.str(), src.file("self.bmp")), 0);
    EXPECT_EQ(ReadFile(src.file("self.bmp")), first);
    EXPECT_EQ(p.dialog->skipped.output, "self.bmp");

    // Written elsewhere, reached through a link that stands in the folder.
    fs::remove(src.file("self.bmp"));
    TempDir out;
    WriteFile(out.file("c.bmp"), std::string("older"));
    fs::create_symlink(out.file("c.bmp"), src.file("link.bmp"));
    ASSERT_EQ(p.object.Crow2(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(p.dialog->skipped.output, "link.bmp");
    EXPECT_EQ(ReadFile(out.file("c.bmp")).size(), first.size());

    // Only the Crow file itself in the folder: nothing to pack, and it stays.
    TempDir lone;
    WriteFile(lone.file("c.bmp"), first);
    EXPECT_EQ(p.object.Crow2(lone.str(), lone.file("c.bmp")), 2);
    EXPECT_EQ(p.object.Status().reason, CrowReason::NoFiles);
    EXPECT_EQ(ReadFile(lone.file("c.bmp")), first);
}

// Without consent only a missing name or an empty file is taken; the folder's own troubles
// still come first.
TEST(WriterOutput, ReplacesOnlyWithConsent) {
    TempDir src, out;
    WriteFile(src.file("a.txt"), std::string("abc"));
    WriteFile(out.file("c.bmp"), std::string("older"));
    WriteFile(out.file("empty.bmp"), std::string());
    Packer p;
    p.object.ReplaceExistingOutput(false);
    EXPECT_EQ(p.object.Crow2(src.str(), out.file("c.bmp")), 2);
    EXPECT_EQ(p.object.Status().reason, CrowReason::OutputExists);
    EXPECT_EQ(ReadFile(out.file("c.bmp")), "older");
    EXPECT_EQ(Entries(out), 2u);
    EXPECT_EQ(p.object.Crow2(out.file("nowhere"), out.file("c.bmp")), 2);
    EXPECT_EQ(p.object.Status().reason, CrowReason::FolderUnopenable);
    EXPECT_EQ(p.object.Crow2(src.str(), out.file("empty.bmp")), 0);
    EXPECT_EQ(p.object.Crow2(src.str(), out.file("new.bmp")), 0);
    p.object.ReplaceExistingOutput(true);
    EXPECT_EQ(p.object.Crow2(src.str(), out.file("c.bmp")), 0);
    EXPECT_EQ(ReadFile(out.file("c.bmp")), ReadFile(out.file("new.bmp")));
}
