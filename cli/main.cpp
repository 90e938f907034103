// crow: packs a folder into a Crow file, releases one into a folder, shows what one holds.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <sys/stat.h>
#include <vector>

#include "cli/diagnose.h"
#include "cli/mount.h"
#include "cli/options.h"
#include "cli/password_check.h"
#include "cli/summary.h"
#include "cli/terminal.h"
#include "common/cp932.h"
#include "common/paths.h"
#include "common/standard_streams.h"
#include "common/stored_names.h"
#include "common/version.h"
#include "crow/PasswordCheck.h"
#include "crow/WxhObject.h"

namespace wxh::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char* const kToolHelp =
    "Usage: crow [--quiet] COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "Packs every file of a folder into one Crow file, an uncompressed 24-bit .bmp that\n"
    "any picture viewer opens, and releases such a file back into a folder.\n"
    "\n"
    "Commands:\n"
    "  pack      pack the files of a folder into a Crow file\n"
    "  release   release the files of a Crow file into a folder\n"
    "  info      show what a Crow file holds\n"
    "  mount     show the files of a Crow file as a read-only folder\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help; 'crow COMMAND --help' shows a command's help\n"
    "  -V, --version  show the version\n"
    "  -q, --quiet    draw no progress line, print no notes or summary\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error; 130, 143 or 129 when Ctrl-C,\n"
    "SIGTERM or SIGHUP stopped the work (nothing partial is left).\n";

const char* const kPackHelp =
    "Usage: crow pack [--format 2|3] [--password | --password-stdin]\n"
    "                 [--overwrite ask|yes|no] FOLDER OUTPUT\n"
    "\n"
    "Packs the files directly in FOLDER (not its sub-folders, not names starting with '.')\n"
    "into the Crow file OUTPUT; a note says how many entries were left out. OUTPUT itself is\n"
    "never packed, even inside FOLDER. An existing OUTPUT is replaced only with consent, and\n"
    "only once the new file is complete.\n"
    "\n"
    "Options:\n"
    "  --format 2|3       generation to write (default 2); format 3 without a password\n"
    "                     uses a random key stored in the file\n"
    "  --password         ask for a password on the terminal (twice); format 3 only\n"
    "  --password-stdin   read the password from one line of standard input (4096 bytes\n"
    "                     at most); format 3 only\n"
    "  --overwrite MODE   an existing non-empty OUTPUT: ask (the default on a terminal),\n"
    "                     yes (replace it), or no (the default otherwise: refuse, exit 1)\n"
    "  -q, --quiet        draw no progress line, print no notes and no closing summary\n"
    "  -h, --help         show this help\n"
    "\n"
    "A name that Shift-JIS (code page 932, the names' code in a Crow file) cannot hold as it\n"
    "is, is stored changed; each such name is noted ('note: ... is stored as ...'). Names that\n"
    "cannot be stored, or that would be stored alike, are refused before anything is written.\n"
    "\n"
    "The password only scrambles the bytes, so that a casual look shows nothing: it is not\n"
    "encryption, and a known file header can reveal it. 'crow release' refuses a password\n"
    "whose decoded files clearly do not look like what their names promise, but with too few\n"
    "files of recognisable kinds a wrong one goes unnoticed. Nor is a Crow file an integrity\n"
    "check: a changed byte is not noticed. The password must consist of characters\n"
    "Shift-JIS can hold.\n";

const char* const kReleaseHelp =
    "Usage: crow release [--password | --password-stdin] [--overwrite ask|yes|no]\n"
    "                    [--no-password-check] CROWFILE [DESTFOLDER]\n"
    "\n"
    "Releases every file of CROWFILE into DESTFOLDER, which is created when missing.\n"
    "Without DESTFOLDER the files go into a folder of the working folder named after\n"
    "CROWFILE without its extension (/data/photos.bmp into ./photos).\n"
    "\n"
    "Options:\n"
    "  --password         ask for the password on the terminal (protected files)\n"
    "  --password-stdin   read the password from one line of standard input (4096\n"
    "                     bytes at most)\n"
    "  --overwrite MODE   what to do with an existing non-empty file: ask (the default\n"
    "                     on a terminal), yes, or no (the default otherwise: keep it)\n"
    "  --no-password-check  release even when the password looks wrong\n"
    "  -q, --quiet        draw no progress line, no closing line, say nothing about\n"
    "                     kept files\n"
    "  -h, --help         show this help\n"
    "\n"
    "On a terminal the question for an existing file takes y (yes), n (no), a (all: yes\n"
    "to every later one) or N (None: no to every later one). The first five files kept\n"
    "without a question are named, one line counts the rest; on a terminal a closing\n"
    "line says what was released.\n"
    "\n"
    "The password only scrambles the bytes, so that a casual look shows nothing: it is not\n"
    "encryption, and the file holds no check of it. Before anything is written, the first\n"
    "bytes of the files are decoded with it and compared with what their names promise\n"
    "(libmagic, /etc/mime.types); when they clearly do not match, nothing is released and the\n"
    "status is 1. With too few files of recognisable kinds the check cannot tell, and a wrong\n"
    "password then gives files with wrong contents. A known file header can reveal the\n"
    "password, and a changed byte of the Crow file is not noticed (no integrity check).\n";

const char* const kInfoHelp =
    "Usage: crow info [--json] CROWFILE\n"
    "\n"
    "Prints the generation, whether a password is needed, the number of files, the\n"
    "length of CROWFILE, then one line per packed file: its size, a TAB, its name.\n"
    "\n"
    "Options:\n"
    "  --json       print the same facts as one JSON object\n"
    "  -h, --help   show this help\n";

void Say(const std::string& text) { std::fprintf(stderr, "crow: %s\n", text.c_str()); }

// Writes text to standard output; a failure (a full device, a closed pipe) is a failure of
// the command, exit 1.
int PrintToStdout(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        Say(std::string("cannot write to standard output: ") + std::strerror(errno));
        return kFailure;
    }
    return kOk;
}

std::string Q(const std::string& s) { return "'" + PrintableName(s) + "'"; }

int Usage(const std::string& command, const std::string& problem) {
    Say(problem);
    std::fprintf(stderr, "Try 'crow %s--help'.\n", command.empty() ? "" : (command + " ").c_str());
    return kUsage;
}

// An empty path argument names nothing: a usage error rather than a puzzling failure.
bool EmptyArgument(const CommandLine& cl) {
    for (const std::string& a : cl.arguments)
        if (a.empty()) return true;
    return false;
}

// Exit status after the user interrupted: 128 + the signal, 130 for Ctrl-C.
int Interrupted() { return 128 + PendingSignal(); }

enum class PasswordSource { None, Terminal, Stdin };

bool PasswordOption(const CommandLine& cl, PasswordSource& source, std::string& problem) {
    bool tty = cl.flags.count("--password") > 0;
    bool in = cl.flags.count("--password-stdin") > 0;
    if (tty && in) {
        problem = "--password and --password-stdin cannot be used together";
        return false;
    }
    source = tty ? PasswordSource::Terminal : in ? PasswordSource::Stdin : PasswordSource::None;
    return true;
}

// Gets the password; on failure returns the exit status through status. When the file needs
// no password (needed false), an empty line or none on standard input is no error.
bool ObtainPassword(PasswordSource source, bool twice, bool needed, std::string& password, int& status) {
    const auto refuse = [&status](const std::string& why) {
        Say(why);
        status = PendingSignal() != 0 ? Interrupted() : kFailure;
        return false;
    };
    const std::string tooLong =
        "the password line is longer than " + std::to_string(kMaxLine) + " bytes; nothing was done";
    if (source == PasswordSource::Stdin) {
        switch (ReadLineFromStdin(password)) {
            case LineRead::Line: break;
            case LineRead::TooLong: return refuse(tooLong);
            case LineRead::End:
                if (!needed) return true;
                return refuse("no password on standard input");
            case LineRead::Failed:
                if (PendingSignal() != 0) {
                    status = Interrupted();
                    return false;
                }
                return refuse(std::string("cannot read the password from standard input: ") + std::strerror(errno));
        }
    } else {
        if (!HasTerminal()) return refuse("no terminal to ask for the password on; use --password-stdin");
        std::string again;
        LineRead got = PromptPassword("Password: ", password);
        if (got == LineRead::Line && twice) got = PromptPassword("Repeat the password: ", again);
        if (got == LineRead::TooLong) return refuse(tooLong);
        if (got != LineRead::Line) {
            if (PendingSignal() != 0) {
                status = Interrupted();
                return false;
            }
            return refuse("no password was given");
        }
        if (twice && again != password) return refuse("the two passwords differ");
    }
    if (password.empty() && needed) return refuse("the password is empty");
    return true;
}

// A container object whose progress window is a terminal line.
struct Container {
    TerminalProgress* progress = nullptr;
    std::unique_ptr<WxhObject> object;

    Container(bool drawProgress, bool notes, OverwriteQuestion* question) {
        object = std::make_unique<WxhObject>(
            [this, drawProgress, notes]() -> std::unique_ptr<ProgressDialog> {
                auto p = std::make_unique<TerminalProgress>(drawProgress, 2, notes);
                progress = p.get();
                return p;
            },
            question);
    }
};

bool OverwriteMode(const CommandLine& cl, const std::string& command, TerminalQuestion::Mode& mode, int& status) {
    mode = HasTerminal() && StderrIsTerminal() ? TerminalQuestion::Mode::Ask : TerminalQuestion::Mode::No;
    const auto it = cl.values.find("--overwrite");
    if (it == cl.values.end() || it->second == "ask") {
        if (it != cl.values.end()) mode = TerminalQuestion::Mode::Ask;
        return true;
    }
    if (it->second == "yes") mode = TerminalQuestion::Mode::Yes;
    else if (it->second == "no") mode = TerminalQuestion::Mode::No;
    else {
        status = Usage(command, "--overwrite must be ask, yes or no, not " + Q(it->second));
        return false;
    }
    return true;
}

// Whether pack may replace a file with content at output: given by --overwrite yes, asked
// now on a terminal (before the work), else refused by the container once it has checked the
// folder (nothing is touched then). The exit status when the pack is not to go on, else -1.
int ConsentToReplace(const CommandLine& cl, const std::string& output, bool& mayReplace) {
    TerminalQuestion::Mode mode;
    int status = kUsage;
    if (!OverwriteMode(cl, "pack", mode, status)) return status;
    mayReplace = mode == TerminalQuestion::Mode::Yes;
    struct stat st {};
    if (mode != TerminalQuestion::Mode::Ask || ::stat(output.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size == 0)
        return -1;
    TerminalQuestion question(mode, true);
    mayReplace = question.Ask(output) == 6;
    if (PendingSignal() != 0) return Interrupted();
    if (mayReplace) return -1;
    Say(Q(output) + " was kept; nothing was packed");
    return kFailure;
}

int Pack(const CommandLine& cl) {
    if (cl.arguments.size() != 2) return Usage("pack", "pack needs FOLDER and OUTPUT");
    int format = 2;
    if (auto it = cl.values.find("--format"); it != cl.values.end()) {
        if (it->second == "2") format = 2;
        else if (it->second == "3") format = 3;
        else return Usage("pack", "--format must be 2 or 3, not " + Q(it->second));
    }
    PasswordSource source;
    std::string problem;
    if (!PasswordOption(cl, source, problem)) return Usage("pack", problem);
    if (format == 2 && source != PasswordSource::None)
        return Usage("pack", "a password needs --format 3 (format 2 has no password)");
    const std::string& folder = cl.arguments[0];
    const std::string& output = cl.arguments[1];

    std::string password;
    int status = kOk;
    if (source != PasswordSource::None && !ObtainPassword(source, true, true, password, status)) return status;
    if (std::string bytes; !password.empty() && !Utf8ToCp932Strict(password, bytes)) {
        // Stored as typed or not at all: a character turned into "_" or "e" would let other
        // passwords open the file.
        Say("the password holds characters that Shift-JIS (code page 932) cannot hold; "
            "a Crow file's password can use only those; nothing was written");
        return kFailure;
    }
    if (PendingSignal() != 0) return Interrupted();
    bool mayReplace = false;
    if (const int refused = ConsentToReplace(cl, output, mayReplace); refused >= 0) return refused;
    const bool outputExisted = FileLength(output) >= 0;

    Container c(StderrIsTerminal() && !cl.quiet, !cl.quiet, nullptr);
    c.object->ReplaceExistingOutput(mayReplace);
    int32_t result = format == 3 ? c.object->Crow3(folder, output, password) : c.object->Crow2(folder, output);
    if (c.progress) c.progress->Clear();
    switch (result) {
        case 0:
            // Once the Crow file has its name the work is whole: a signal after that point
            // is told, but the pack succeeded.
            if (PendingSignal() != 0) Say("interrupted, but " + Q(output) + " was already complete");
            if (StderrIsTerminal() && !cl.quiet && c.progress)
                std::fprintf(stderr, "%s\n",
                             Summary("packed", c.progress->FileCount(), c.progress->TotalBytes(), "into", output).c_str());
            return kOk;
        case -1:
            Say("cancelled; " + Q(output) +
                (outputExisted ? " was not replaced: the existing file stays as it was" : " was not written"));
            return PendingSignal() != 0 ? Interrupted() : kFailure;
        case 2:
            Say("cannot pack " + Q(folder) + " into " + Q(output) + ": " + DescribeStatus(c.object->Status()));
            return kFailure;
        default:
            Say("cannot pack " + Q(folder) + " into " + Q(output) + ": unexpected result " + std::to_string(result));
            return kFailure;
    }
}

// Facts about a Crow file from GetCrowInfo; prints the failure and returns false.
struct Facts {
    int32_t ver = 0, protectedMark = 0, count = 0;
    std::vector<std::string> names;
    std::vector<int32_t> sizes;
};

bool Inspect(WxhObject& obj, const std::string& file, Facts& f) {
    if (obj.GetCrowInfo(file, f.ver, f.protectedMark, f.count, f.names, f.sizes) == 0) return true;
    Say(DescribeStatus(obj.Status()));
    return false;
}

// "released 200 files, 318 MiB, into 'dir'": the files written, not those kept.
std::string ReleaseSummary(const Facts& f, const std::string& dest, const std::vector<std::string>& keptPaths) {
    std::unordered_map<std::string, int64_t> sizeAt;
    const std::string prefix = AddPathSep(dest);
    for (size_t i = 0; i < f.names.size() && i < f.sizes.size(); ++i) sizeAt.emplace(prefix + f.names[i], f.sizes[i]);
    int64_t files = static_cast<int64_t>(std::min(f.names.size(), f.sizes.size())), bytes = 0;
    for (int32_t s : f.sizes) bytes += s > 0 ? s : 0;
    std::unordered_set<std::string> counted;  // a name asked about twice is kept once
    for (const std::string& p : keptPaths) {
        auto it = sizeAt.find(p);
        if (it == sizeAt.end() || !counted.insert(p).second) continue;
        --files;
        bytes -= it->second;
    }
    std::string line = Summary("released", files, bytes, "into", dest);
    if (!counted.empty()) line += "; " + Counted(static_cast<int64_t>(counted.size()), "existing file") + " kept";
    return line;
}

int Release(const CommandLine& cl) {
    if (cl.arguments.empty() || cl.arguments.size() > 2)
        return Usage("release", "release needs CROWFILE and, if you like, DESTFOLDER");
    PasswordSource source;
    std::string problem;
    if (!PasswordOption(cl, source, problem)) return Usage("release", problem);
    TerminalQuestion::Mode mode;
    if (int status = kUsage; !OverwriteMode(cl, "release", mode, status)) return status;
    const std::string& file = cl.arguments[0];
    // Without a folder: beside the user, in a folder named as the window names it.
    const bool destGiven = cl.arguments.size() == 2;
    const std::string dest = destGiven ? cl.arguments[1] : ReleaseFolderName(file);

    // One object inspects and releases, reading the file it opened once.
    TerminalQuestion question(mode, cl.quiet);
    Container c(StderrIsTerminal() && !cl.quiet, false, &question);
    question.SetProgress(c.progress);
    c.object->KeepCrowFileOpen();
    Facts f;
    if (!Inspect(*c.object, file, f)) return kFailure;
    bool needsPassword = f.ver == 3 && f.protectedMark == 1;
    std::string password;
    int status = kOk;
    if (needsPassword && source == PasswordSource::None) {
        Say(Q(file) + " is protected by a password; give it with --password or --password-stdin");
        return kFailure;
    }
    if (source == PasswordSource::Stdin || (needsPassword && source == PasswordSource::Terminal)) {
        if (!ObtainPassword(source, false, needsPassword, password, status)) return status;
    }
    if (needsPassword && !cl.flags.count(kNoPasswordCheck) &&
        RefuseWrongPassword(JudgeCrowPassword(file, password), file, "released"))
        return kFailure;

    // DESTFOLDER and the parents it lacks are made now and taken away again (when still
    // empty) if the release is refused, so that a refused release leaves no new folder.
    std::vector<std::filesystem::path> made;
    std::error_code ec;
    if (!destGiven && std::filesystem::is_symlink(std::filesystem::symlink_status(dest, ec))) {
        // The folder of its own is never reached through a link, as in the window.
        Say("cannot release into " + Q(dest) + ": it is a link; name the folder to release into after " + Q(file));
        return kFailure;
    }
    if (!std::filesystem::is_directory(dest, ec)) {
        if (std::filesystem::exists(std::filesystem::symlink_status(dest, ec))) {
            Say("cannot release into " + Q(dest) + ": it is not a folder" +
                (destGiven ? "" : "; name the folder to release into after " + Q(file)));
            return kFailure;
        }
        for (std::filesystem::path p = std::filesystem::absolute(dest, ec).lexically_normal();
             !p.empty() && !std::filesystem::exists(std::filesystem::symlink_status(p, ec)); p = p.parent_path()) {
            made.push_back(p);
            if (p == p.parent_path()) break;
        }
        std::filesystem::create_directories(dest, ec);
        if (ec) {
            Say("cannot create the folder " + Q(dest) + ": " + ec.message());
            return kFailure;
        }
    }
    const auto removeMadeFolders = [&made] {
        std::error_code ignored;
        for (const auto& p : made)  // deepest first; a folder that holds anything stays
            if (!std::filesystem::is_empty(p, ignored) || !std::filesystem::remove(p, ignored)) break;
    };
    if (PendingSignal() != 0) {
        removeMadeFolders();
        return Interrupted();
    }

    int64_t total = 0;
    for (int32_t s : f.sizes) total += s > 0 ? s : 0;
    if (c.progress) c.progress->SetTotal(total);

    int32_t result;
    if (f.ver == 3) result = c.object->UnCrow3(file, dest, password);
    else if (f.ver == 2) result = c.object->UnCrow2(file, dest);
    else result = c.object->UnCrow1(file, dest);
    if (c.progress) c.progress->Clear();
    if (result != 0) removeMadeFolders();
    question.Finish();
    // A signal that ended an overwrite question is seen by the container only at the next
    // file: the words name the file that was asked about.
    const std::string& askedAt = question.InterruptedAt();

    switch (result) {
        case 0:
            if (PendingSignal() == 0) {
                if (StderrIsTerminal() && !cl.quiet) Say(ReleaseSummary(f, dest, question.KeptPaths()));
                return kOk;
            }
            if (!askedAt.empty())
                Say("interrupted at the question about " + Q(askedAt) + ", which stays as it was; every other file "
                    "had already been released or kept");
            else if (question.Kept() == 0)
                Say("interrupted, but every file had already been released");
            else
                Say("interrupted at the end; every file was released but the " + std::to_string(question.Kept()) +
                    " existing one(s) kept");
            return Interrupted();
        case -1: {
            const CrowStatus& st = c.object->Status();
            if (!askedAt.empty()) {
                Say("cancelled at the question about " + Q(askedAt) + ", which stays as it was" +
                    (st.amount > 1 ? "; the files before it stay in " + Q(dest) : "") + "; the files after it were not "
                    "released");
            } else if (st.name.empty()) {
                Say("cancelled before any file was released");
            } else {
                const std::string target = AddPathSep(dest) + st.name;
                const bool older = std::filesystem::exists(std::filesystem::symlink_status(target, ec));
                Say("cancelled while releasing " + Q(st.name) + ": it was not written" +
                    (older ? " (the existing " + Q(target) + " stays as it was)" : "") +
                    (st.amount > 0 ? "; the files before it stay in " + Q(dest) : ""));
            }
            return PendingSignal() != 0 ? Interrupted() : kFailure;
        }
        case 1:
        case 2:
        case 3:
            Say("cannot release " + Q(file) + " into " + Q(dest) + ": " + DescribeStatus(c.object->Status()));
            return kFailure;
        default:
            Say("cannot release " + Q(file) + ": unexpected result " + std::to_string(result));
            return kFailure;
    }
}

// Writes a UTF-8 text as a JSON string; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& s) {
    std::string out = "\"";
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c == '"') out += "\\\"";
            else if (c == '\\') out += "\\\\";
            else if (c == '\n') out += "\\n";
            else if (c == '\t') out += "\\t";
            else if (c == '\r') out += "\\r";
            else if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        // length and lowest value of a well-formed sequence starting with c
        size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool ok = len > 0 && i + len <= s.size();
        uint32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; ok && k < len; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                   (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            ok = false;
        if (ok) {
            out.append(s, i, len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

// Writes one piece of crow info's output; false once standard output failed (said once).
bool Emit(bool& ok, const std::string& text) {
    if (ok && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        Say(std::string("cannot write to standard output: ") + std::strerror(errno));
        ok = false;
    }
    return ok;
}

int Info(const CommandLine& cl) {
    if (cl.arguments.size() != 1) return Usage("info", "info needs one CROWFILE");
    const std::string& file = cl.arguments[0];
    CheckedCrow c;
    CrowStatus status;
    if (!OpenCheckedCrow(file, c, status) && !c.reader.DirectoryRead()) {
        Say(DescribeStatus(status));
        return kFailure;
    }
    // Streamed entry by entry: the output never has to fit in memory at once.
    const CrowReader& r = c.reader;
    const bool json = cl.flags.count("--json") > 0;
    const std::string count = std::to_string(r.Entries().size()), length = std::to_string(r.Length());
    bool ok = true;
    if (json)
        Emit(ok, "{\"generation\":" + std::to_string(r.Generation()) + ",\"password\":" +
                     (r.NeedsPassword() ? "true" : "false") + ",\"files\":" + count + ",\"size\":" + length +
                     ",\"entries\":[");
    else
        Emit(ok, "generation: " + std::to_string(r.Generation()) + "\npassword: " + (r.NeedsPassword() ? "yes" : "no") +
                     "\nfiles: " + count + "\nsize: " + length + "\n");
    for (size_t i = 0; ok && i < r.Entries().size(); ++i) {
        const std::string size = std::to_string(r.Entries()[i].size);
        if (json) Emit(ok, std::string(i ? "," : "") + "{\"size\":" + size + ",\"name\":" + JsonString(r.ShownName(i)) + "}");
        else Emit(ok, size + "\t" + PrintableName(r.ShownName(i)) + "\n");
    }
    if (json) Emit(ok, "]}\n");
    if (ok && std::fflush(stdout) != 0) {
        Say(std::string("cannot write to standard output: ") + std::strerror(errno));
        ok = false;
    }
    if (!ok) return kFailure;
    // What it holds is shown; whether it can be released is said in release's own words.
    if (status.reason != CrowReason::None && !cl.quiet)
        Say("note: " + Q(file) + " cannot be released or mounted: " + DescribeStatus(status));
    return kOk;
}

int Mount(const CommandLine& cl) {
    if (cl.arguments.size() != 2) return Usage("mount", "mount needs CROWFILE and MOUNTPOINT");
    PasswordSource source;
    std::string problem;
    if (!PasswordOption(cl, source, problem)) return Usage("mount", problem);
    MountRequest rq;
    rq.crowFile = cl.arguments[0];
    rq.mountPoint = cl.arguments[1];
    rq.background = cl.flags.count("--background") > 0;
    rq.quiet = cl.quiet;
    rq.passwordOffered = source != PasswordSource::None;
    rq.passwordFromStdin = source == PasswordSource::Stdin;
    rq.passwordCheck = cl.flags.count(kNoPasswordCheck) == 0;
    return RunMount(rq, [source](std::string& password, int& status) {
        return ObtainPassword(source, false, true, password, status);
    });
}

int Run(int argc, char** argv) {
    CommandLine cl = ParseCommandLine(argc, argv);
    if (!cl.error.empty()) return Usage(cl.command, cl.error);
    if (cl.help) {
        const char* text = cl.command == "pack" ? kPackHelp : cl.command == "release" ? kReleaseHelp
                         : cl.command == "info" ? kInfoHelp : cl.command == "mount" ? kMountHelp
                         : kToolHelp;
        return PrintToStdout(text);
    }
    if (cl.version) return PrintToStdout(std::string("crow ") + kVersionText + "\n");
    if (cl.command.empty()) {
        std::fputs(kToolHelp, stderr);
        return kUsage;
    }
    if (EmptyArgument(cl)) return Usage(cl.command, "an empty path was given");
    InstallSignalHandlers();
    if (cl.command == "pack") return Pack(cl);
    if (cl.command == "release") return Release(cl);
    if (cl.command == "mount") return Mount(cl);
    return Info(cl);
}

}  // namespace
}  // namespace wxh::cli

int main(int argc, char** argv) {
    // Nothing to say it on when this fails: standard error may be the closed one.
    if (!wxh::EnsureStandardStreams()) return 1;
    return wxh::cli::Run(argc, argv);
}
