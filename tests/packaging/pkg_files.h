#pragma once
// Small readers for the files the packaging installs: desktop entries, PNG headers, and the
// locations CTest passes in.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <set>
#include <utility>
#include <vector>

namespace wxh::pkgtest {

// Keys of the [Desktop Entry] group ("Name", "Name[ja]", ...).
std::map<std::string, std::string> ReadDesktopEntry(const std::string& path);
// Keys of any group of an ini-style file ("[Nemo Action]", "[Desktop Action pack]", ...).
std::map<std::string, std::string> ReadIniGroup(const std::string& path, const std::string& group);
// Width and height from a PNG file's IHDR chunk; nullopt when it is not a PNG.
std::optional<std::pair<uint32_t, uint32_t>> PngSize(const std::string& path);
// Every option word ("--format", "-q") in a text: help output, or roff with "\-" dashes.
std::vector<std::string> Options(const std::string& text);

// What an installation holds, relative to its prefix, for the programs this build has.
struct BuildHas {
    bool crow = false, gui = false, pngIcons = false;
};
BuildHas WhatThisBuildHas();  // from the variables CTest sets
std::set<std::string> ExpectedInstallFiles(const BuildHas& has);
// Every regular file and symbolic link below root, relative to it.
std::set<std::string> FilesBelow(const std::string& root);

std::string SourceDir();   // the repository
std::string BuildDir();    // the build folder under test
std::string Version();     // the project version, "1.25.0"
inline const char* kAppId = "org.wxhollin.wxhollin";

}  // namespace wxh::pkgtest
