#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rules of the Crow file layout that the writer and the reader share.
namespace wxh::crowfmt {

inline constexpr int64_t kLimit = int64_t{1} << 31;   // sizes and S stay below this
inline constexpr int32_t kMaxFiles = 32767;
inline constexpr int32_t kMaxKeyNumber = 16382;
inline constexpr int32_t kNumberKeyLength = 1234;
inline constexpr int64_t kWriterThreshold = 18877;    // a point once more than 18876 bytes passed
inline constexpr int64_t kUnCrow2Step = 23456;        // UnCrow2: exactly every 23456 bytes
inline constexpr size_t kHeaderBytes = 54;

// Where the directory stands: right after the bitmap headers the magic ("CRW1", "CRW2",
// "CRW3"); then, in CRW3 only, the key number; then LastIndex (the number of files - 1), the
// name table (for each file a 2-byte length and the CP932 bytes) and the size table (4 bytes
// a file). Every number is little-endian.
inline constexpr size_t kMagicOffset = kHeaderBytes;            // 54
inline constexpr size_t kKeyNumberOffset = kMagicOffset + 4;    // 58, CRW3
inline constexpr size_t LastIndexOffset(int generation) {       // 58, or 62 in CRW3
    return kKeyNumberOffset + (generation == 3 ? 4 : 0);
}
inline constexpr size_t kNameLengthBytes = 2;
inline constexpr size_t kSizeEntryBytes = 4;

// W = 7k, H = 16k for the largest k >= 0 with W * H <= floor(S / 8).
void CalcBitmapSize(int64_t S, int32_t& W, int32_t& H);

// The 14-byte file header and the 40-byte info header.
std::array<uint8_t, kHeaderBytes> FillBitmapHeaders(uint32_t S, int32_t W, int32_t H);

// The start of a Crow file up to its data: bitmap headers (size value S, W x H) and directory.
// keyNumber is written for CRW3 only; names (CP932) and sizes are of the same length, at least 1.
std::string EncodeDirectory(int generation, uint32_t S, int32_t W, int32_t H, int32_t keyNumber,
                            const std::vector<std::string_view>& names, const std::vector<uint32_t>& sizes);

// CRW2's size value estimate: 66 + sum of (2 x UTF-16 length of the name + size).
int64_t Crow2SizeValue(const std::vector<std::string>& utf8Names, const std::vector<int64_t>& sizes);
// CRW3's size value: the exact file length.
int64_t Crow3SizeValue(const std::vector<std::string>& cp932Names, const std::vector<int64_t>& sizes);
// What one file adds to each: the sums start at kSizeValueBase.
inline constexpr int64_t kSizeValueBase = 66;
int64_t Crow2SizeTerm(const std::string& utf8Name, int64_t size);
inline int64_t Crow3SizeTerm(const std::string& cp932Name, int64_t size) {
    return 2 + static_cast<int64_t>(cp932Name.size()) + 4 + size;
}

// Number of UTF-16 code units of UTF-8 text.
int64_t Utf16Length(const std::string& utf8);

// A random KeyNumber: floor(r x 16382) + 1 for r uniform in [0, 1), r taken from one value
// of the generator g (any uniform random bit generator, so that a test can drive it).
template <class Generator>
int32_t DrawKeyNumber(Generator& g) {
    const long double span = static_cast<long double>(Generator::max() - Generator::min()) + 1.0L;
    const long double r = static_cast<long double>(g() - Generator::min()) / span;
    const auto k = static_cast<int32_t>(r * kMaxKeyNumber) + 1;
    return k > kMaxKeyNumber ? kMaxKeyNumber : k;  // r is below 1, but rounding must not reach 16383
}

// The 1234-byte key of a KeyNumber: high byte, low byte, repeated.
std::string KeyFromNumber(int32_t keyNumber);
// The key of a password: its CP932 bytes followed by one byte 0.
std::string KeyFromPassword(const std::string& utf8Password);

// Distance between progress points when a check happens after every pass of passLength
// bytes and an update needs at least threshold bytes since the last one.
int64_t ProgressStep(int64_t threshold, int64_t passLength);

// Byte transformations over one chunk; GCC vectorizes these loops.
void AddByte(uint8_t* data, size_t n, uint8_t value);                  // data[i] += value
void AddKey(uint8_t* data, size_t n, const uint8_t* key);               // data[i] += key[i]
void SubtractKey(uint8_t* data, size_t n, const uint8_t* key);          // data[i] -= key[i]

// A key repeated to cover chunkLength bytes starting at any key position:
// bytes [p mod L, p mod L + n) of the result are the key bytes for positions p .. p + n - 1.
std::vector<uint8_t> ExpandKey(const std::string& key, size_t chunkLength);

// A CRW3 key applied at any position of the data: the key is expanded over a window small
// enough to stay in the fastest cache, and the bytes are transformed window by window.
class KeyStream {
public:
    explicit KeyStream(const std::string& key);  // key: not empty
    void Add(uint8_t* data, size_t n, int64_t pos) const;       // bytes of positions pos .. pos + n - 1
    void Subtract(uint8_t* data, size_t n, int64_t pos) const;

private:
    static constexpr size_t kWindow = 4096;
    template <class ByteLoop>
    void Apply(ByteLoop loop, uint8_t* data, size_t n, int64_t pos) const;
    std::vector<uint8_t> ext_;
    int64_t length_;
};

// True when a CP932 name from a Crow file is a plain file name that can be released as is:
// valid CP932, not empty, ".", "..", no "/", "\", NUL or other control character, no drive
// prefix such as "C:", at most 255 bytes in UTF-8. utf8 receives the decoded name.
bool IsPlainName(const std::string& cp932, std::string& utf8);

void PutU16(std::string& out, uint16_t v);
void PutU32(std::string& out, uint32_t v);
uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);

}  // namespace wxh::crowfmt
