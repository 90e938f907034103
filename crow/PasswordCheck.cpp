#include "crow/PasswordCheck.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <magic.h>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "crow/CrowDirectory.h"
#include "crow/CrowReader.h"
#include "crow/CrowFormat.h"
#include "crow/FileStructure.h"

namespace wxh {

namespace {
constexpr size_t kShortestJudged = 16;
}  // namespace

namespace passwordcheck {
namespace {

constexpr const char* kMimeTypesPath = "/etc/mime.types";
// libmagic's compiled database is about 8 MiB on Debian 12; anything far larger is not one.
constexpr size_t kMaxDatabaseBytes = size_t{64} << 20;
constexpr size_t kMaxExtensionLength = 32;
constexpr size_t kMaxTypeLength = 127;

bool IsTokenChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '+' ||
           c == '-' || c == '_';
}

// "top/sub" with both halves made of token characters, the top one of the registered kinds.
bool IsMimeType(const std::string& s) {
    if (s.size() < 3 || s.size() > kMaxTypeLength) return false;
    const size_t slash = s.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == s.size()) return false;
    static const std::set<std::string> tops = {"application", "audio", "font",      "image", "model",
                                               "text",        "video", "chemical", "message", "multipart"};
    if (!tops.count(s.substr(0, slash))) return false;
    for (size_t i = slash + 1; i < s.size(); ++i)
        if (!IsTokenChar(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Reads a regular file of at most cap bytes through one descriptor that never blocks.
bool ReadRegularFile(const std::string& path, size_t cap, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
    if (ok) {
        const size_t want = std::min(cap, static_cast<size_t>(st.st_size));
        out.resize(want);
        size_t got = 0;
        while (got < want) {
            const ssize_t r = ::read(fd, out.data() + got, want - got);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        out.resize(got);
    }
    ::close(fd);
    return ok;
}

// Shows a regular file of at most cap bytes to use, mapped for the call only.
void MapRegularFile(const std::string& path, size_t cap, const std::function<void(std::string_view)>& use) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= cap) {
        const size_t n = static_cast<size_t>(st.st_size);
        void* map = ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            use(std::string_view(static_cast<const char*>(map), n));
            ::munmap(map, n);
        }
    }
    ::close(fd);
}

}  // namespace

std::map<std::string, std::string> ParseMimeTypes(const std::string& text) {
    std::map<std::string, std::string> table;
    const size_t end = std::min(text.size(), kMaxTableBytes);
    size_t pos = 0;
    while (pos < end && table.size() < kMaxExtensions) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos || eol > end) eol = end;
        const size_t len = eol - pos;
        if (len <= kMaxLine && len > 0 && text[pos] != '#') {
            std::vector<std::string> words;
            size_t i = pos;
            while (i < eol) {
                while (i < eol && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
                const size_t start = i;
                while (i < eol && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') ++i;
                if (i > start) words.emplace_back(text, start, i - start);
            }
            if (words.size() >= 2 && IsMimeType(LowerAscii(words[0]))) {
                const std::string type = LowerAscii(words[0]);
                for (size_t w = 1; w < words.size() && table.size() < kMaxExtensions; ++w) {
                    const std::string ext = LowerAscii(words[w]);
                    if (ext.size() > kMaxExtensionLength ||
                        !std::all_of(ext.begin(), ext.end(), [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); }))
                        continue;
                    table.emplace(ext, type);  // the first type given for an extension wins
                }
            }
        }
        pos = eol + 1;
    }
    return table;
}

std::map<std::string, std::string> LoadMimeTypes(const std::string& path) {
    std::string text;
    if (!ReadRegularFile(path, kMaxTableBytes, text)) return {};
    return ParseMimeTypes(text);
}

std::string PromisedType(const std::map<std::string, std::string>& table, const std::string& utf8Name) {
    const size_t dot = utf8Name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == utf8Name.size()) return {};
    const std::string ext = utf8Name.substr(dot + 1);
    if (ext.size() > kMaxExtensionLength) return {};
    const auto it = table.find(LowerAscii(ext));
    return it == table.end() ? std::string() : it->second;
}

std::vector<std::string> MagicDatabaseTypes(std::string_view mgc) {
    // Each entry of the compiled database keeps its MIME type as a NUL-terminated text; the
    // slashes are few, so the search goes from one to the next.
    std::set<std::string> types;
    const char* const begin = mgc.data();
    const char* const end = begin + mgc.size();
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '/', static_cast<size_t>(end - p)))); ++p) {
        const char* a = p;
        while (a > begin && p - a < static_cast<ptrdiff_t>(kMaxTypeLength) && a[-1] >= 'a' && a[-1] <= 'z') --a;
        if (a == p || (a > begin && a[-1] != '\0')) continue;
        const char* z = p + 1;
        while (z < end && z - a < static_cast<ptrdiff_t>(kMaxTypeLength) && IsTokenChar(static_cast<unsigned char>(*z))) ++z;
        if (z == end || *z != '\0') continue;
        std::string type(a, z);
        if (IsMimeType(type)) types.insert(std::move(type));
        p = z;
    }
    return {types.begin(), types.end()};
}

namespace {

std::atomic<int64_t> gLoadMicroseconds{0};

// The extension table and libmagic, loaded once per process.
class Judge {
public:
    static Judge& Get() {
        static Judge judge;
        return judge;
    }
    bool Ready() const { return cookie_ != nullptr && !table_.empty(); }
    const std::map<std::string, std::string>& Table() const { return table_; }
    // A type libmagic can name from content; text of any kind it tells from binary data.
    bool Recognisable(const std::string& type) const {
        if (type.empty() || type == "application/octet-stream") return false;
        return type.rfind("text/", 0) == 0 || known_.count(type) > 0;
    }
    // plain: only text or not (libmagic's text tests without its database, a hundred times
    // cheaper than its source-code patterns), for names that promise text.
    std::string TypeOf(const uint8_t* data, size_t n, bool plain) {
        std::lock_guard<std::mutex> lock(mutex_);
        const char* t = magic_buffer(plain ? plainCookie_ : cookie_, data, n);
        std::string type = t ? t : "";
        const size_t semi = type.find(';');
        if (semi != std::string::npos) type.resize(semi);
        return type;
    }

private:
    Judge() {
        const auto t0 = std::chrono::steady_clock::now();
        table_ = LoadMimeTypes(kMimeTypesPath);
        cookie_ = magic_open(MAGIC_MIME_TYPE | MAGIC_NO_CHECK_COMPRESS | MAGIC_NO_CHECK_ELF | MAGIC_ERROR);
        // libmagic maps its compiled database; the types it can give are read from the same
        // file, mapped too, without copying it.
        plainCookie_ = magic_open(MAGIC_MIME_TYPE | MAGIC_NO_CHECK_SOFT | MAGIC_NO_CHECK_COMPRESS | MAGIC_ERROR);
        if (!cookie_ || !plainCookie_ || magic_load(cookie_, nullptr) != 0 || magic_load(plainCookie_, nullptr) != 0) {
            if (cookie_) magic_close(cookie_);
            if (plainCookie_) magic_close(plainCookie_);
            cookie_ = plainCookie_ = nullptr;
        }
        const char* path = cookie_ ? magic_getpath(nullptr, 0) : nullptr;
        // The path is a list ("/etc/magic:/usr/share/misc/magic"); the compiled files count.
        for (std::string rest = path ? path : ""; !rest.empty();) {
            const size_t colon = rest.find(':');
            std::string one = rest.substr(0, colon);
            rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
            if (one.empty()) continue;
            if (one.size() < 4 || one.compare(one.size() - 4, 4, ".mgc") != 0) one += ".mgc";
            MapRegularFile(one, kMaxDatabaseBytes, [this](std::string_view bytes) {
                for (std::string& t : MagicDatabaseTypes(bytes)) known_.insert(std::move(t));
            });
        }
        if (cookie_) {
            size_t bytesMax = kPasswordCheckHead;
            magic_setparam(cookie_, MAGIC_PARAM_BYTES_MAX, &bytesMax);
            magic_setparam(plainCookie_, MAGIC_PARAM_BYTES_MAX, &bytesMax);
        }
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
        gLoadMicroseconds = std::max<int64_t>(1, us.count());
    }
    ~Judge() {
        if (cookie_) magic_close(cookie_);
        if (plainCookie_) magic_close(plainCookie_);
    }

    std::map<std::string, std::string> table_;
    std::set<std::string> known_;
    magic_t cookie_ = nullptr;
    magic_t plainCookie_ = nullptr;
    std::mutex mutex_;
};

}  // namespace

int64_t LoadMicroseconds() { return gLoadMicroseconds; }

}  // namespace passwordcheck

namespace passwordcheck {

namespace {

// The other positions' bytes, smoothed, as the model of what one phase should hold.
struct PhaseModel {
    std::array<uint32_t, 256> here{};  // the phase's own bytes
    std::array<double, 256> logP{};    // the others'
    PhaseModel(const uint8_t* data, size_t n, size_t period, size_t phase, const std::array<uint32_t, 256>& total) {
        size_t count = 0;
        for (size_t i = phase; i < n; i += period, ++count) ++here[data[i]];
        const double others = static_cast<double>(n - count);
        for (int b = 0; b < 256; ++b) logP[b] = std::log((total[b] - here[b] + 0.5) / (others + 128.0));
    }
    // How much better the phase reads shifted back by delta than as it stands.
    double Gain(int delta) const {
        double g = 0;
        for (int b = 0; b < 256; ++b)
            if (here[b]) g += here[b] * (logP[(b - delta) & 0xFF] - logP[b]);
        return g;
    }
};

std::array<uint32_t, 256> Histogram(const uint8_t* data, size_t n) {
    std::array<uint32_t, 256> total{};
    for (size_t i = 0; i < n; ++i) ++total[data[i]];
    return total;
}

// The four commonest byte values of counts.
template <typename Counts>
std::array<int, 4> Top4(const Counts& counts) {
    std::array<int, 4> top{};
    std::array<typename Counts::value_type, 4> at{};  // counts[top[t]], highest first
    at.fill(counts[0]);
    for (int b = 0; b < 256; ++b) {
        const auto c = counts[b];
        if (c < at[3]) continue;  // below all four: most values
        for (int t = 0; t < 4; ++t)
            if (c > at[t] || (c == at[t] && b == top[t])) {
                if (b != top[t]) {
                    for (int u = 3; u > t; --u) top[u] = top[u - 1], at[u] = at[u - 1];
                    top[t] = b;
                    at[t] = c;
                }
                break;
            }
    }
    return top;
}

}  // namespace

SharedShift FindSharedShift(const std::vector<std::vector<uint8_t>>& heads, size_t period) {
    // The candidates: each head's own best shift; each is then scored on all of them, against
    // each head's byte counts taken once.
    std::set<std::pair<size_t, int>> candidates;
    std::vector<std::array<uint32_t, 256>> totals;
    totals.reserve(heads.size());
    for (const auto& h : heads) {
        const PhaseShift ps = FindPhaseShift(h.data(), h.size(), period);
        if (ps.gain > 0) candidates.insert({ps.phase, ps.delta});
        totals.push_back(Histogram(h.data(), h.size()));
    }
    SharedShift best;
    for (const auto& [phase, delta] : candidates) {
        SharedShift here{phase, delta, 0, 0};
        for (size_t i = 0; i < heads.size(); ++i) {
            const std::vector<uint8_t>& h = heads[i];
            if (h.size() / period < kMinPhaseBytes) continue;  // too few bytes a phase to say
            const double g = PhaseModel(h.data(), h.size(), period, phase, totals[i]).Gain(delta);
            here.gain += g;
            here.files += g > 0 ? 1 : 0;
        }
        if (here.gain > best.gain) best = here;
    }
    return best;
}

PhaseShift FindPhaseShift(const uint8_t* data, size_t n, size_t period) {
    PhaseShift best;
    if (period < 2 || n / period < kMinPhaseBytes) return best;
    const std::array<uint32_t, 256> total = Histogram(data, n);
    for (size_t k = 0; k < period; ++k) {
        const PhaseModel m(data, n, period, k, total);
        // A shifted phase moves its commonest bytes onto the others' commonest: the shifts
        // between the four commonest of each are the ones worth scoring.
        std::array<uint32_t, 256> rest{};
        for (int b = 0; b < 256; ++b) rest[b] = total[b] - m.here[b];
        std::array<bool, 256> tried{};
        tried[0] = true;
        for (int a : Top4(m.here))
            for (int c : Top4(rest)) {
                const int d = (a - c) & 0xFF;
                if (tried[d]) continue;
                tried[d] = true;
                const double gain = m.Gain(d);
                if (gain > best.gain) best = {k, d, gain};
            }
    }
    return best;
}

}  // namespace passwordcheck

namespace {

// The entries to look at, with the types their names promise: one of each promised type in
// turn, so that one kind of file does not take every place, in the file's order. No more names
// are kept per type than can be looked at.
std::vector<std::pair<size_t, std::string>> PickEntries(passwordcheck::Judge& judge,
                                                        const std::vector<std::string>& utf8Names) {
    std::map<std::string, std::vector<size_t>> byType;
    for (size_t i = 0; i < utf8Names.size(); ++i) {
        std::string type = passwordcheck::PromisedType(judge.Table(), utf8Names[i]);
        if (!judge.Recognisable(type)) continue;
        std::vector<size_t>& list = byType[std::move(type)];
        if (list.size() < static_cast<size_t>(kPasswordCheckEntries)) list.push_back(i);
    }
    std::vector<std::pair<size_t, std::string>> picked;
    for (size_t round = 0; picked.size() < static_cast<size_t>(kPasswordCheckEntries); ++round) {
        const size_t before = picked.size();
        for (const auto& [type, list] : byType)
            if (round < list.size() && picked.size() < static_cast<size_t>(kPasswordCheckEntries))
                picked.emplace_back(list[round], type);
        if (picked.size() == before) break;
    }
    std::sort(picked.begin(), picked.end());
    return picked;
}

// Adds the names of entries to those the judgement gives, up to three.
void NameSome(PasswordJudgement& j, const std::vector<std::string>& utf8Names, const std::vector<size_t>& entries) {
    for (size_t index : entries)
        if (j.unlikeNames.size() < 3 &&
            std::find(j.unlikeNames.begin(), j.unlikeNames.end(), utf8Names[index]) == j.unlikeNames.end())
            j.unlikeNames.push_back(utf8Names[index]);
}

}  // namespace

PasswordJudgement JudgePassword(const std::vector<std::string>& utf8Names, const EntryHead& head, size_t keyPeriod,
                                const std::vector<uint64_t>& sizes) {
    using passwordcheck::Judge;
    const auto whole = [&sizes](size_t index) { return index < sizes.size() ? sizes[index] : filestructure::kWholeUnknown; };
    PasswordJudgement j;
    Judge& judge = Judge::Get();
    if (!judge.Ready()) return j;

    const std::vector<std::pair<size_t, std::string>> picked = PickEntries(judge, utf8Names);

    std::vector<uint8_t> buf(kPasswordCheckHead);
    std::map<std::pair<size_t, int>, std::vector<size_t>> shifted;  // (phase, shift) -> entries
    std::vector<std::vector<uint8_t>> heads;  // the decoded heads looked at, and their entries
    std::vector<size_t> headIndex;
    std::vector<std::pair<size_t, bool>> unlikeHeads;  // the unlike ones among the heads, text promised
    for (const auto& [index, promised] : picked) {
        const size_t n = head(index, buf.data(), buf.size());
        // A few bytes say nothing of what a file is, with any password.
        if (n < kShortestJudged) continue;
        const bool promisedText = promised.rfind("text/", 0) == 0;
        const std::string shown = judge.TypeOf(buf.data(), n, promisedText);
        if (shown.empty()) continue;
        ++j.examined;
        heads.emplace_back(buf.begin(), buf.begin() + static_cast<ptrdiff_t>(n));
        headIndex.push_back(index);
        // Text has no period of its own: one position of the key's period whose bytes all
        // read as shifted by the same amount is a wrong character of the password there.
        if (promisedText) {
            const passwordcheck::PhaseShift ps = passwordcheck::FindPhaseShift(buf.data(), n, keyPeriod);
            if (ps.gain >= passwordcheck::kPhaseShiftGain) shifted[{ps.phase, ps.delta}].push_back(index);
        }
        const bool shownText = shown.rfind("text/", 0) == 0;
        // Like: the promised type, text where text was promised, or a type of its own though
        // not the promised one (a document seen as the ZIP it is made of; noise seldom gets one).
        // A signature right and the structure behind it broken: a wrong password that the
        // first bytes did not show (one of another length leaves its own length right).
        const bool broken = filestructure::Broken(shown, buf.data(), n, whole(index));
        if (!broken && (shown == promised || (promisedText && shownText) ||
                        (!promisedText && !shownText && shown != "application/octet-stream"))) {
            ++j.like;
        } else if (broken || shown == "application/octet-stream") {
            // Nothing libmagic knows, not even text: noise where the name promises a file.
            ++j.unlike;
            if (j.unlikeNames.size() < 3) j.unlikeNames.push_back(utf8Names[index]);
            unlikeHeads.emplace_back(heads.size() - 1, promisedText && !broken);
        }
        // Text where binary data was promised, or binary data seen as a type of its own where
        // text was promised, says nothing either way.
    }
    // Every entry looked at reading better with the same phase shifted back by the same
    // amount: one wrong character of the password, seen in binary files too.
    // Short periods are left to the signatures: a wrong character among a password's first
    // three changes the bytes they cover, and a file's own structure lines up with a short
    // period by chance far more often.
    if (heads.size() >= static_cast<size_t>(kPasswordCheckMinUnlike) && keyPeriod >= passwordcheck::kSharedShiftMinPeriod) {
        const passwordcheck::SharedShift shared = passwordcheck::FindSharedShift(heads, keyPeriod);
        j.shiftGain = shared.gain;
        j.shiftFiles = shared.files;
        if (shared.files == static_cast<int>(heads.size()) && shared.gain >= passwordcheck::kSharedShiftGain) {
            j.verdict = PasswordJudgement::Verdict::LooksWrong;
            NameSome(j, utf8Names, headIndex);
            return j;
        }
    }
    // Texts that agree on the same shift at the same position: a right password leaves no
    // position of a text shifted at all, let alone two texts alike.
    for (const auto& [where, entries] : shifted) {
        if (entries.size() < static_cast<size_t>(kPasswordCheckMinShifted) || j.examined < kPasswordCheckMinUnlike)
            continue;
        j.verdict = PasswordJudgement::Verdict::LooksWrong;
        NameSome(j, utf8Names, entries);
        j.shifted = static_cast<int>(entries.size());
        return j;
    }
    // Text promised and no text seen, yet a whole picture or document libmagic knows: a
    // misnamed file read right, which says nothing either way. Asked only where it would
    // decide, for libmagic's full look costs more than its look for text.
    if (j.unlike >= kPasswordCheckMinUnlike && j.unlike > j.like) {
        std::vector<size_t> still;
        for (const auto& [at, text] : unlikeHeads) {
            const std::vector<uint8_t>& h = heads[at];
            if (text) {
                const std::string own = judge.TypeOf(h.data(), h.size(), false);
                if (!own.empty() && own != "application/octet-stream" && own.rfind("text/", 0) != 0 &&
                    !filestructure::Broken(own, h.data(), h.size(), whole(headIndex[at]))) {
                    --j.unlike;
                    continue;
                }
            }
            still.push_back(headIndex[at]);
        }
        j.unlikeNames.clear();
        NameSome(j, utf8Names, still);
    }
    if (j.unlike >= kPasswordCheckMinUnlike && j.unlike > j.like)
        j.verdict = PasswordJudgement::Verdict::LooksWrong;
    else if (j.like + j.unlike >= kPasswordCheckMinUnlike)
        j.verdict = PasswordJudgement::Verdict::Plausible;
    return j;
}

std::vector<uint64_t> EntrySizes(const CrowReader& reader) {
    std::vector<uint64_t> sizes;
    sizes.reserve(reader.Entries().size());
    for (const CrowEntry& e : reader.Entries()) sizes.push_back(e.size > 0 ? static_cast<uint64_t>(e.size) : 0);
    return sizes;
}

PasswordJudgement JudgeCrowPassword(const std::string& crowFile, const std::string& utf8Password) {
    if (utf8Password.empty()) return {};
    const int fd = ::open(crowFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    FdSource src(fd, st.st_size);
    CrowReader reader;
    if (!reader.Open(src, 3) || !reader.NeedsPassword()) return {};
    const std::string key = reader.Key(utf8Password);
    const crowfmt::KeyStream keys(key);
    return JudgePassword(reader.Names(), [&](size_t i, uint8_t* buf, size_t max) -> size_t {
        const ssize_t r = reader.ReadEntry(i, 0, buf, max);
        if (r <= 0) return 0;
        keys.Add(buf, static_cast<size_t>(r), 0);
        return static_cast<size_t>(r);
    }, key.size(), EntrySizes(reader));
}

}  // namespace wxh
