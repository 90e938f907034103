// Fuzz target: the releases of UnCrow1, UnCrow2 and UnCrow3 on arbitrary bytes read from
// memory, each into a fresh folder
// that holds symbolic links to a canary file outside it (under names the seeds use).
// After every operation the canary is unchanged, nothing exists outside the folder, and the
// folder holds only plain files.
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/dest_dir.h"
#include "crow/CrowReleaser.h"
#include "crow/HeadlessProgress.h"
#include "fuzz/fuzz_common.h"

namespace {

const char kCanary[] = "canary: must never change";

struct YesToAll : wxh::OverwriteQuestion {
    int32_t Ask(const std::string&) override { return 6; }
};

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    return names;
}

void RemoveTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        for (const std::string& n : Entries(path)) RemoveTree(path + "/" + n);
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::string ReadSmall(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return std::string();
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void Check(const std::string& root, const std::string& dest) {
    if (ReadSmall(root + "/canary") != kCanary) wxh::fuzz::Fail("the canary changed");
    std::vector<std::string> top = Entries(root);
    if (top.size() != 3) wxh::fuzz::Fail("something was written beside the destination");
    if (!Entries(root + "/outside").empty()) wxh::fuzz::Fail("something was written into the outside folder");
    for (const std::string& n : Entries(dest)) {
        struct stat st {};
        if (lstat((dest + "/" + n).c_str(), &st) != 0) wxh::fuzz::Fail("an entry vanished");
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) wxh::fuzz::Fail("the destination holds a non-file");
    }
}

void FreshDest(const std::string& root, const std::string& dest) {
    RemoveTree(dest);
    if (mkdir(dest.c_str(), 0755) != 0) wxh::fuzz::Fail("cannot make the destination");
    const std::string canary = root + "/canary";
    for (const char* name : {"a.txt", "z", "b.bin"})
        if (symlink(canary.c_str(), (dest + "/" + name).c_str()) != 0) wxh::fuzz::Fail("cannot make a link");
    if (symlink((root + "/outside").c_str(), (dest + "/sub").c_str()) != 0) wxh::fuzz::Fail("cannot make a link");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string root = [] {
        const std::string& r = wxh::fuzz::ScratchRoot();
        wxh::fuzz::WriteInput(r + "/canary", reinterpret_cast<const uint8_t*>(kCanary), sizeof kCanary - 1);
        mkdir((r + "/outside").c_str(), 0755);
        return r;
    }();
    const std::string dest = root + "/dest";
    for (int op = 1; op <= 3; ++op) {
        FreshDest(root, dest);
        YesToAll yes;
        wxh::HeadlessProgress dialog;
        wxh::ProgressDriver progress(dialog);
        wxh::MemorySource src(data, size);
        wxh::DestDir folder;
        if (!folder.Open(dest)) wxh::fuzz::Fail("cannot open the destination");
        wxh::CrowStatus status;
        status.Begin(op == 3 ? wxh::CrowOperation::UnCrow3 : op == 2 ? wxh::CrowOperation::UnCrow2
                                                                     : wxh::CrowOperation::UnCrow1, "fuzz");
        int32_t r = wxh::ReleaseCrow(progress, status, &yes, op, src, folder, dest, 0, "pw");
        if (r < 0 || r > 3) wxh::fuzz::Fail("release result out of range (nothing can cancel here)");
        if (r != status.Result() || (r == 0) != (status.reason == wxh::CrowReason::None))
            wxh::fuzz::Fail("the recorded reason disagrees with the result code");
        Check(root, dest);
    }
    return 0;
}
