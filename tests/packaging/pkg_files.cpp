#include "pkg_files.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <vector>

#include "proc.h"
#include "support/TempDir.h"

namespace wxh::pkgtest {

std::map<std::string, std::string> ReadDesktopEntry(const std::string& path) {
    return ReadIniGroup(path, "Desktop Entry");
}

std::map<std::string, std::string> ReadIniGroup(const std::string& path, const std::string& group) {
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    for (std::string line : Lines(wxh::test::ReadFile(path))) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        auto eq = line.find('=');
        if (inGroup && eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

std::optional<std::pair<uint32_t, uint32_t>> PngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return std::nullopt;
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!std::equal(sig, sig + 8, h) || std::string(reinterpret_cast<char*>(h + 12), 4) != "IHDR") {
        return std::nullopt;
    }
    auto be = [&](int at) {
        return (uint32_t(h[at]) << 24) | (uint32_t(h[at + 1]) << 16) | (uint32_t(h[at + 2]) << 8) | h[at + 3];
    };
    return std::make_pair(be(16), be(20));
}

std::vector<std::string> Options(const std::string& text) {
    // roff: "\-" is a dash and "\fB" ... switch fonts; dropping them leaves the plain words.
    std::string plain = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    plain = std::regex_replace(plain, std::regex(R"(\\f[BIRP])"), "");
    plain = std::regex_replace(plain, std::regex(R"((^|\n)\.[A-Z]+ )"), "$1 ");
    std::set<std::string> found;
    std::regex opt(R"((^|[\s\[|(,])(--[a-z][a-z0-9-]*[a-z0-9]|-[A-Za-z])(?![A-Za-z0-9-]))");
    for (auto it = std::sregex_iterator(plain.begin(), plain.end(), opt); it != std::sregex_iterator(); ++it) {
        found.insert((*it)[2]);
    }
    return {found.begin(), found.end()};
}

BuildHas WhatThisBuildHas() {
    BuildHas has;
    has.crow = !EnvOr("WXH_CROW").empty();
    has.gui = !EnvOr("WXH_GUI").empty();
    has.pngIcons = has.gui && EnvOr("WXH_PNG_ICONS") == "1";
    return has;
}

std::set<std::string> ExpectedInstallFiles(const BuildHas& has) {
    std::set<std::string> files;
    const std::string id = kAppId;
    if (has.crow || has.gui) {
        files.insert("share/doc/wx-hollin/copyright");
        files.insert("share/doc/wx-hollin/changelog.Debian.gz");
    }
    if (has.crow) {
        files.insert("bin/crow");
        files.insert("share/man/man1/crow.1.gz");
        files.insert("share/bash-completion/completions/crow");
    }
    if (has.gui) {
        files.insert("bin/wx-hollin");
        files.insert("libexec/wx-hollin/wxh-wmf-render");
        files.insert("share/man/man1/wx-hollin.1.gz");
        files.insert("share/applications/" + id + ".desktop");
        files.insert("share/metainfo/" + id + ".metainfo.xml");
        files.insert("share/icons/hicolor/scalable/apps/" + id + ".svg");
        files.insert("share/mime/packages/wx-hollin.xml");
        files.insert("share/icons/hicolor/scalable/mimetypes/application-x-crow.svg");
        for (const std::string what : {"pack", "release"}) {
            files.insert("share/file-manager/actions/" + id + "-" + what + ".desktop");
            files.insert("share/kio/servicemenus/" + id + "-" + what + ".desktop");
            files.insert("share/nemo/actions/" + id + "-" + what + ".nemo_action");
        }
        files.insert("libexec/thunar-archive-plugin/" + id + ".tap");
        if (has.pngIcons) {
            files.insert("share/icons/hicolor/48x48/apps/" + id + ".png");
            files.insert("share/icons/hicolor/256x256/apps/" + id + ".png");
        }
    }
    return files;
}

std::set<std::string> FilesBelow(const std::string& root) {
    namespace fs = std::filesystem;
    std::set<std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink() || it->is_regular_file()) {
            files.insert(fs::relative(it->path(), root).string());
        }
    }
    return files;
}

std::string SourceDir() { return EnvOr("WXH_SOURCE_DIR", "."); }
std::string BuildDir() { return EnvOr("WXH_BUILD_DIR", "."); }
std::string Version() { return EnvOr("WXH_VERSION"); }

}  // namespace wxh::pkgtest
