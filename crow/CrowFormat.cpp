#include "crow/CrowFormat.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/stored_names.h"

namespace wxh::crowfmt {

void CalcBitmapSize(int64_t S, int32_t& W, int32_t& H) {
    const int64_t B = S < 0 ? 0 : S / 8;
    int64_t k = 0;
    while (112 * (k + 1) * (k + 1) <= B) ++k;  // at most a few thousand steps for S < 2^31
    W = static_cast<int32_t>(7 * k);
    H = static_cast<int32_t>(16 * k);
}

namespace {
void Put16At(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32At(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

std::array<uint8_t, kHeaderBytes> FillBitmapHeaders(uint32_t S, int32_t W, int32_t H) {
    std::array<uint8_t, kHeaderBytes> h{};
    h[0] = 'B';
    h[1] = 'M';
    Put32At(&h[2], S);
    Put16At(&h[6], 0);
    Put16At(&h[8], 0);
    Put32At(&h[10], kHeaderBytes);
    Put32At(&h[14], 40);
    Put32At(&h[18], static_cast<uint32_t>(W));
    Put32At(&h[22], static_cast<uint32_t>(H));
    Put16At(&h[26], 1);
    Put16At(&h[28], 24);
    Put32At(&h[30], 0);
    Put32At(&h[34], S);
    Put32At(&h[38], 3780);
    Put32At(&h[42], 3780);
    Put32At(&h[46], 0);
    Put32At(&h[50], 0);
    return h;
}

std::string EncodeDirectory(int generation, uint32_t S, int32_t W, int32_t H, int32_t keyNumber,
                            const std::vector<std::string_view>& names, const std::vector<uint32_t>& sizes) {
    size_t bytes = LastIndexOffset(generation) + 4 + sizes.size() * kSizeEntryBytes;
    for (std::string_view n : names) bytes += kNameLengthBytes + n.size();
    std::string head;
    head.reserve(bytes);
    const auto bmp = FillBitmapHeaders(S, W, H);
    head.append(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    head += generation == 3 ? "CRW3" : "CRW2";
    if (generation == 3) PutU32(head, static_cast<uint32_t>(keyNumber));
    PutU32(head, static_cast<uint32_t>(names.size() - 1));
    for (std::string_view n : names) {
        PutU16(head, static_cast<uint16_t>(n.size()));
        head.append(n);
    }
    for (uint32_t size : sizes) PutU32(head, size);
    return head;
}

int64_t Utf16Length(const std::string& utf8) {
    int64_t n = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;
        n += (c >= 0xF0) ? 2 : 1;  // four-byte sequences are surrogate pairs
    }
    return n;
}

int64_t Crow2SizeTerm(const std::string& utf8Name, int64_t size) { return 2 * Utf16Length(utf8Name) + size; }

int64_t Crow2SizeValue(const std::vector<std::string>& utf8Names, const std::vector<int64_t>& sizes) {
    int64_t s = kSizeValueBase;
    for (size_t i = 0; i < utf8Names.size(); ++i) s += Crow2SizeTerm(utf8Names[i], sizes[i]);
    return s;
}

int64_t Crow3SizeValue(const std::vector<std::string>& cp932Names, const std::vector<int64_t>& sizes) {
    int64_t s = kSizeValueBase;
    for (size_t i = 0; i < cp932Names.size(); ++i) s += Crow3SizeTerm(cp932Names[i], sizes[i]);
    return s;
}

std::string KeyFromNumber(int32_t keyNumber) {
    std::string key(kNumberKeyLength, '\0');
    for (int m = 0; m < kNumberKeyLength / 2; ++m) {
        key[2 * static_cast<size_t>(m)] = static_cast<char>((keyNumber / 256) & 0xFF);
        key[2 * static_cast<size_t>(m) + 1] = static_cast<char>((keyNumber % 256) & 0xFF);
    }
    return key;
}

std::string KeyFromPassword(const std::string& utf8Password) {
    std::string key = Utf8ToCp932(utf8Password);
    key.push_back('\0');
    return key;
}

int64_t ProgressStep(int64_t threshold, int64_t passLength) {
    if (passLength < 1) passLength = 1;
    return passLength * ((threshold + passLength - 1) / passLength);
}

// The byte loops below run over every byte packed or released: built for the wider vector
// units too, the best one the processor has is picked when the program loads.
#if defined(__x86_64__) && defined(__GNUC__)
#define WXH_BYTE_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define WXH_BYTE_LOOP
#endif

WXH_BYTE_LOOP void AddByte(uint8_t* __restrict data, size_t n, uint8_t value) {
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(data[i] + value);
}

WXH_BYTE_LOOP void AddKey(uint8_t* __restrict data, size_t n, const uint8_t* __restrict key) {
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(data[i] + key[i]);
}

WXH_BYTE_LOOP void SubtractKey(uint8_t* __restrict data, size_t n, const uint8_t* __restrict key) {
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(data[i] - key[i]);
}

std::vector<uint8_t> ExpandKey(const std::string& key, size_t chunkLength) {
    const size_t L = key.size();
    std::vector<uint8_t> ext(L + chunkLength);
    for (size_t i = 0; i < ext.size(); ++i) ext[i] = static_cast<uint8_t>(key[i % L]);
    return ext;
}

KeyStream::KeyStream(const std::string& key) : ext_(ExpandKey(key, kWindow)), length_(static_cast<int64_t>(key.size())) {}

template <class ByteLoop>
void KeyStream::Apply(ByteLoop loop, uint8_t* data, size_t n, int64_t pos) const {
    for (size_t at = 0; at < n; at += kWindow)
        loop(data + at, std::min(kWindow, n - at), ext_.data() + static_cast<size_t>((pos + static_cast<int64_t>(at)) % length_));
}

void KeyStream::Add(uint8_t* data, size_t n, int64_t pos) const { Apply(AddKey, data, n, pos); }

void KeyStream::Subtract(uint8_t* data, size_t n, int64_t pos) const { Apply(SubtractKey, data, n, pos); }

bool IsPlainName(const std::string& cp932, std::string& utf8) {
    return CheckStoredName(cp932, utf8) == NameProblem::None;
}

void PutU16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace wxh::crowfmt
