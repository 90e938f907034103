#include "crow/FileStructure.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <zlib.h>

namespace wxh::filestructure {

namespace {

uint32_t Be16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t Be32(const uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[1]) << 8 | p[0]; }
uint32_t Le32(const uint8_t* p) { return Le16(p + 2) << 16 | Le16(p); }

bool JpegFrame(uint8_t marker) { return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC; }

// The longest body a segment of fixed layout can have: four quantisation tables of 16-bit
// values, eight Huffman tables of 256 values, a frame of 255 components, a restart interval.
size_t JpegBodyMax(uint8_t marker) {
    if (marker == 0xDB) return size_t{4} * (1 + 128);
    if (marker == 0xC4) return size_t{8} * (17 + 256);
    if (JpegFrame(marker)) return 6 + size_t{3} * 255;
    if (marker == 0xDD) return 2;
    return SIZE_MAX;
}

// A segment's body, checked where its layout is fixed by its marker; len counts the body.
bool JpegSegmentBroken(uint8_t marker, const uint8_t* body, size_t len) {
    if (marker == 0xDB) {  // quantisation tables: each 1 + 64 or 128 bytes, filling the segment
        for (size_t i = 0; i < len;) {
            const unsigned precision = body[i] >> 4, slot = body[i] & 15;
            if (precision > 1 || slot > 3) return true;
            i += 1 + 64 * (precision + 1);
            if (i > len) return true;
        }
    } else if (marker == 0xC4) {  // Huffman tables: 17 bytes and as many values as counted
        for (size_t i = 0; i < len;) {
            if ((body[i] >> 4) > 1 || (body[i] & 15) > 3 || len - i < 17) return true;
            size_t values = 0;
            for (size_t k = 1; k <= 16; ++k) values += body[i + k];
            if (values > 256) return true;
            i += 17 + values;
            if (i > len) return true;
        }
    } else if (JpegFrame(marker)) {
        // start of frame: precision, height, width, and three bytes per component
        if (len < 6 || body[5] == 0 || len != 6 + 3 * size_t{body[5]}) return true;
        if (body[0] < 2 || body[0] > 16) return true;
    } else if (marker == 0xDD) {  // restart interval
        if (len != 2) return true;
    }
    return false;
}

// Entropy-coded data from start: every 0xFF in it is stuffed with a 0x00 or begins a restart
// marker, until (after any fill bytes) the marker that ends the scan, whose place is returned;
// n when the bytes end first.
size_t JpegScanEnd(const uint8_t* d, size_t n, size_t start) {
    for (size_t i = start; i < n; ++i) {
        if (d[i] != 0xFF) continue;
        while (i + 1 < n && d[i + 1] == 0xFF) ++i;
        if (i + 1 >= n) return n;
        const uint8_t next = d[i + 1];
        if (next != 0x00 && (next < 0xD0 || next > 0xD7)) return i;
        ++i;
    }
    return n;
}

bool JpegBroken(const uint8_t* d, size_t n, uint64_t whole) {
    if (n < 2) return false;
    if (d[0] != 0xFF || d[1] != 0xD8) return true;
    bool scanned = false;  // an image's end may come after a scan only
    for (size_t pos = 2;;) {
        while (pos + 1 < n && d[pos] == 0xFF && d[pos + 1] == 0xFF) ++pos;  // fill bytes
        if (pos + 4 > n) return false;
        if (d[pos] != 0xFF) return true;
        const uint8_t marker = d[pos + 1];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length of their own
            pos += 2;
            continue;
        }
        if (marker == 0xD9 && scanned) return false;  // what follows the image is not looked at
        if (marker < 0xC0 || marker == 0xD8 || marker == 0xD9) return true;  // reserved, or out of place
        const size_t len = Be16(d + pos + 2);
        if (len < 2) return true;
        if (marker == 0xDA) {  // the scan: its header, then entropy-coded data
            if (pos + 5 > n) return false;
            const size_t components = d[pos + 4];
            if (components < 1 || components > 4 || len != 6 + 2 * components) return true;
            if (pos + 2 + len > n) return false;
            pos = JpegScanEnd(d, n, pos + 2 + len);  // the marker there is judged as any other
            scanned = true;
            continue;
        }
        // Known even when the segment ends beyond the bytes given.
        if (len - 2 > JpegBodyMax(marker) || pos + 2 + len > whole) return true;
        if (pos + 2 + len > n) return false;
        if (JpegSegmentBroken(marker, d + pos + 4, len - 2)) return true;
        pos += 2 + len;
    }
}

bool PngBroken(const uint8_t* d, size_t n, uint64_t whole) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (size_t i = 0; i < 8; ++i)
        if (i < n && d[i] != kSignature[i]) return true;
    for (size_t pos = 8; pos + 8 <= n;) {
        const uint32_t len = Be32(d + pos);
        if (len > 0x7FFFFFFFu) return true;
        for (size_t i = 4; i < 8; ++i) {
            const uint8_t c = d[pos + i] | 0x20;
            if (c < 'a' || c > 'z') return true;
        }
        if (pos == 8 && (len != 13 || Be32(d + pos + 4) != 0x49484452u)) return true;  // IHDR first
        if (pos + 12 + uint64_t{len} > whole) return true;
        if (n - pos < 12 || n - pos - 12 < len) return false;
        if (Crc32(d + pos + 4, 4 + size_t{len}) != Be32(d + pos + 8 + len)) return true;
        pos += 12 + size_t{len};
    }
    return false;
}

// An image's LZW codes read as a decoder reads them (least significant bit first, widths
// growing with the table): a code beyond the next one the table would make comes from no
// encoder, nor do more pixels than the image has, nor an end code before any pixel. What
// follows the end code is not looked at.
class LzwCodes {
public:
    LzwCodes(unsigned minSize, uint64_t area) : clear_(1u << minSize), minSize_(minSize), area_(area) { Reset(); }

    // False at a code no encoder writes.
    bool Feed(uint8_t byte) {
        if (ended_) return true;
        bits_ |= uint32_t{byte} << count_;
        count_ += 8;
        while (count_ >= width_) {
            const uint32_t code = bits_ & ((1u << width_) - 1);
            bits_ >>= width_;
            count_ -= width_;
            if (code == clear_) {
                Reset();
                continue;
            }
            if (code == clear_ + 1) {
                ended_ = true;
                return pixels_ > 0 || area_ == 0;
            }
            if (first_) {  // after a clear code only a colour index can come
                if (code > clear_) return false;
                first_ = false;
                pixels_ += 1;
            } else {
                if (code > next_) return false;
                // The string a code stands for: a colour index, one the table holds, or the
                // one it is making (the previous string and its own first pixel).
                const uint32_t made = Length(previous_) + 1;
                pixels_ += code == next_ ? made : Length(code);
                if (next_ < 4096) {
                    lengths_[next_] = static_cast<uint16_t>(made);
                    if (++next_ == 1u << width_ && width_ < 12) ++width_;
                }
            }
            previous_ = code;
            if (pixels_ > area_) return false;
        }
        return true;
    }

private:
    void Reset() {
        next_ = clear_ + 2;
        width_ = minSize_ + 1;
        first_ = true;
    }
    uint32_t Length(uint32_t code) const { return code < clear_ ? 1 : lengths_[code]; }
    uint32_t clear_, minSize_, next_ = 0, width_ = 0, bits_ = 0, count_ = 0, previous_ = 0;
    uint64_t area_, pixels_ = 0;
    bool first_ = true, ended_ = false;
    std::array<uint16_t, 4096> lengths_{};
};

bool GifBroken(const uint8_t* d, size_t n) {
    if (n < 13) return false;
    size_t pos = 13 + ((d[10] & 0x80) ? 3u << ((d[10] & 7) + 1) : 0u);
    // Sub-blocks: each a length byte and its bytes, up to a zero length, an image's bytes
    // read as LZW codes (code sizes 2 to 8, as GIF has them). Broken at a code no encoder
    // writes; false when the bytes end first.
    bool broken = false;
    const auto skipBlocks = [&](unsigned codeSize, uint64_t area) {
        const bool lzw = codeSize >= 2 && codeSize <= 8;
        LzwCodes codes(lzw ? codeSize : 2, area);
        for (;;) {
            if (pos >= n) return false;
            const uint8_t len = d[pos++];
            if (len == 0) return true;
            if (lzw)
                for (size_t i = pos; i < pos + len && i < n; ++i)
                    if (!codes.Feed(d[i])) {
                        broken = true;
                        return false;
                    }
            pos += len;
        }
    };
    for (;;) {
        if (pos >= n) return false;
        unsigned codeSize = 0;  // none: an extension's sub-blocks
        uint64_t area = 0;
        const uint8_t introducer = d[pos];
        if (introducer == 0x3B) return false;  // the trailer
        if (introducer == 0x21) {              // extension: a label, then sub-blocks
            if (pos + 2 >= n) return false;
            // graphic control: one sub-block of 4 bytes, then the blocks' end
            if (d[pos + 1] == 0xF9 && (d[pos + 2] != 4 || (pos + 7 < n && d[pos + 7] != 0))) return true;
            pos += 2;
        } else if (introducer == 0x2C) {  // image: descriptor, its colours, code size, sub-blocks
            if (pos + 10 >= n) return false;
            const uint8_t flags = d[pos + 9];
            area = uint64_t{Le16(d + pos + 5)} * Le16(d + pos + 7);
            pos += 10 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0u);
            if (pos >= n) return false;
            if (d[pos] < 1 || d[pos] > 8) return true;  // 8 bits a pixel at most
            codeSize = d[pos++];
        } else {
            return true;
        }
        if (!skipBlocks(codeSize, area)) return broken;
    }
}

// BMP's headers. The file header's size is not compared with the file's: some writers, and
// Crow files themselves, give another one.
bool BmpBroken(const uint8_t* d, size_t n, uint64_t whole) {
    if (n < 30) return false;
    if (d[0] != 'B' || d[1] != 'M') return true;
    const uint32_t infoSize = Le32(d + 14);
    const uint32_t offBits = Le32(d + 10);
    if (infoSize == 12) {  // the old OS/2 header
        return Le16(d + 22) != 1 || (Le16(d + 24) != 1 && Le16(d + 24) != 4 && Le16(d + 24) != 8 &&
                                     Le16(d + 24) != 24) || offBits < 26;
    }
    if (infoSize != 16 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 &&
        infoSize != 108 && infoSize != 124)
        return true;
    if (offBits < 14 + infoSize || offBits > whole || Le16(d + 26) != 1) return true;
    const uint32_t bits = Le16(d + 28);
    switch (bits) {
        case 0: case 1: case 2: case 4: case 8: case 16: case 24: case 32: case 64: break;
        default: return true;
    }
    const auto width = static_cast<int32_t>(Le32(d + 18)), height = static_cast<int32_t>(Le32(d + 22));
    // Pixels in rows and columns, or none at all (a Crow file of a few bytes is 0 x 0)
    if (width < 0 || (width == 0) != (height == 0)) return true;
    if (n < 50 || infoSize < 40) return false;
    // Compression: none, RLE8, RLE4, bit fields, JPEG, PNG, alpha bit fields, and the three CMYK
    // ones; run lengths of 8 and of 4 bits a pixel only
    const uint32_t compression = Le32(d + 30);
    if (compression > 6 && (compression < 11 || compression > 13)) return true;
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4)) return true;
    if (compression == 0 || compression == 3 || compression == 6) {  // rows as they are: they fit in the file
        const uint64_t row = (uint64_t{static_cast<uint32_t>(width)} * bits + 31) / 32 * 4;
        const uint64_t rows = height < 0 ? 0 - int64_t{height} : int64_t{height};
        if (row != 0 && rows > (whole - offBits) / row) return true;
    }
    if (bits <= 8 && Le32(d + 46) > 1u << bits) return true;  // more colours used than the pixels can name
    if (infoSize < 108 || n < 74) return false;
    // The colour space: calibrated, device RGB or CMYK, "sRGB", "Win ", a linked or embedded profile
    constexpr uint32_t kSrgb = 0x73524742u, kWindows = 0x57696E20u, kLinked = 0x4C494E4Bu, kEmbedded = 0x4D424544u;
    const uint32_t space = Le32(d + 70);
    const bool profile = space == kLinked || space == kEmbedded;
    if (space > 2 && space != kSrgb && space != kWindows && !profile) return true;
    if (infoSize < 124 || n < 130) return false;
    const uint32_t intent = Le32(d + 122);  // none, business, graphics, images, absolute colorimetric
    if (intent != 0 && intent != 1 && intent != 2 && intent != 4 && intent != 8) return true;
    if (profile) {  // the profile lies within the file
        const uint64_t at = 14 + uint64_t{Le32(d + 126)};
        if (n >= 134 && (at > whole || Le32(d + 130) > whole - at)) return true;
    }
    return false;
}

// A deflated member's data, inflated as far as the bytes given go. Broken where zlib finds
// the stream invalid, or where it ends elsewhere than the header says or with other bytes
// than its CRC and size say (those only where the header has them: without a data
// descriptor).
bool DeflateBroken(const uint8_t* d, size_t n, bool sized, uint32_t crc, uint32_t csize, uint32_t usize) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;  // no memory: nothing to say
    std::array<uint8_t, 16384> out;
    uLong sum = crc32(0, nullptr, 0);
    z.next_in = const_cast<Bytef*>(d);
    z.avail_in = static_cast<uInt>(sized ? std::min<size_t>(n, csize) : n);
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        r = inflate(&z, Z_NO_FLUSH);
        sum = crc32(sum, out.data(), static_cast<uInt>(out.size() - z.avail_out));
        if (r == Z_OK && z.avail_in == 0 && z.avail_out != 0) break;  // the bytes given end
    }
    const bool broken = r == Z_DATA_ERROR || r == Z_NEED_DICT ||
                        (r == Z_STREAM_END && sized && (z.total_in != csize || z.total_out != usize || sum != crc));
    inflateEnd(&z);
    return broken;
}

// ZIP, and what is made of it (Office and OpenDocument files, EPUB, JAR): the chain of local
// file headers (fields no writer sets otherwise, the next header where the sizes put it), and
// each member's data: its CRC where it is stored, zlib's look where it is deflated. A member
// whose end its header does not give (streamed, or ZIP64) ends the walk.
bool ZipBroken(const uint8_t* d, size_t n, uint64_t whole) {
    for (size_t pos = 0;;) {
        if (n - pos < 4) return false;
        const uint32_t sig = Le32(d + pos);
        // The central directory, or a data descriptor's signature after a streamed member.
        if (sig == 0x02014B50u || sig == 0x06054B50u || sig == 0x08074B50u) return false;
        if (sig != 0x04034B50u) return true;
        if (n - pos < 30) return false;
        const uint8_t* h = d + pos;
        const uint32_t flags = Le16(h + 6), method = Le16(h + 8), time = Le16(h + 10), date = Le16(h + 12);
        const uint32_t crc = Le32(h + 14), csize = Le32(h + 18), usize = Le32(h + 22);
        if ((Le16(h + 4) & 0xFF) > 63 || Le16(h + 26) == 0) return true;  // version needed; a name
        if (flags & 0xD790) return true;  // bits reserved or unused
        switch (method) {  // stored, the old methods, deflate(64), bzip2, LZMA, zstd, xz, JPEG, WavPack, PPMd, AES
            case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 9: case 10: case 12: case 14:
            case 18: case 19: case 93: case 95: case 96: case 97: case 98: case 99: break;
            default: return true;
        }
        // An MS-DOS time and date, unless left at zero.
        if ((time | date) != 0 && ((time & 31) > 29 || ((time >> 5) & 63) > 59 || (time >> 11) > 23 ||
                                   (date & 31) == 0 || ((date >> 5) & 15) == 0 || ((date >> 5) & 15) > 12))
            return true;
        const size_t data = pos + 30 + Le16(h + 26) + Le16(h + 28);
        const bool sized = (flags & 8) == 0;  // else CRC and sizes follow the data
        const bool plain = (flags & 1) == 0;  // not encrypted
        if (method == 0 && plain && sized && csize != usize) return true;
        if (data > whole || (sized && csize != 0xFFFFFFFFu && data + uint64_t{csize} > whole)) return true;
        if (csize == 0xFFFFFFFFu || usize == 0xFFFFFFFFu || data >= n) return false;
        if (method == 0 && plain && sized) {
            if (n - data >= csize && Crc32(d + data, csize) != crc) return true;
        } else if (method == 8 && plain) {
            if (DeflateBroken(d + data, n - data, sized, crc, csize, usize)) return true;
        }
        if (!sized) return false;  // a data descriptor follows, with or without its signature
        if (n - data <= csize) return false;
        pos = data + csize;
    }
}

// An MPEG audio frame's length from its 4-byte header; 0 where the header is none (or of
// the free format, whose length it does not give).
size_t MpegFrameLength(const uint8_t* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
    const unsigned version = (h[1] >> 3) & 3, layer = (h[1] >> 1) & 3;  // version 3: MPEG-1
    const unsigned rateIndex = h[2] >> 4, sampleIndex = (h[2] >> 2) & 3, padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 || (h[3] & 3) == 2)
        return 0;
    static constexpr uint16_t kRates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 and 2.5 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};         // MPEG-2 and 2.5 II, III
    static constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};
    const uint32_t sampleRate = kSampleRates[sampleIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const unsigned row = version == 3 ? 3 - layer : layer == 3 ? 3 : 4;
    const uint32_t bitRate = kRates[row][rateIndex] * 1000u;
    if (layer == 3) return size_t{12 * bitRate / sampleRate + padding} * 4;
    return size_t{(layer == 1 && version != 3 ? 72 : 144) * bitRate / sampleRate + padding};
}

// MP3: an ID3v2 tag (its header, its frames, the zeros that pad it), then MPEG audio frames,
// each where the one before ends and of the same version, layer and sample rate.
bool Mp3Broken(const uint8_t* d, size_t n, uint64_t whole) {
    size_t pos = 0;
    if (n >= 3 && d[0] == 'I' && d[1] == 'D' && d[2] == '3') {
        if (n < 10) return false;
        const unsigned major = d[3];
        if (major < 2 || major > 4 || d[4] == 0xFF || (d[5] & 0x0F) != 0) return true;
        if ((d[6] | d[7] | d[8] | d[9]) & 0x80) return true;  // the size: four 7-bit bytes
        const size_t size = size_t{d[6]} << 21 | size_t{d[7]} << 14 | size_t{d[8]} << 7 | d[9];
        const size_t end = 10 + size + ((d[5] & 0x10) ? 10 : 0);  // and a footer
        if (end > whole) return true;
        // The frames, where the tag is not unsynchronised or extended (its layout then differs).
        const size_t idLength = major == 2 ? 3 : 4, headerLength = major == 2 ? 6 : 10;
        for (size_t at = 10; (d[5] & 0xC0) == 0 && at < end && at < n;) {
            if (d[at] == 0) {  // padding: zeros up to the end of the tag
                for (; at < end && at < n; ++at)
                    if (d[at] != 0) return true;
                break;
            }
            if (end - at < headerLength) return true;
            if (n - at < headerLength) return false;
            for (size_t k = 0; k < idLength; ++k)
                if (!((d[at + k] >= 'A' && d[at + k] <= 'Z') || (d[at + k] >= '0' && d[at + k] <= '9'))) return true;
            size_t frame = 0;
            if (major == 2) {
                frame = size_t{d[at + 3]} << 16 | size_t{d[at + 4]} << 8 | d[at + 5];
            } else if (major == 3) {
                frame = Be32(d + at + 4);
            } else {
                if ((d[at + 4] | d[at + 5] | d[at + 6] | d[at + 7]) & 0x80) return true;
                frame = size_t{d[at + 4]} << 21 | size_t{d[at + 5]} << 14 | size_t{d[at + 6]} << 7 | d[at + 7];
            }
            if (frame == 0 || frame > end - at - headerLength) return true;
            at += headerLength + frame;
        }
        pos = end;
    }
    // The first frame right after the tag, or nothing is said (some files have junk there).
    if (pos + 4 > n || MpegFrameLength(d + pos) == 0) return false;
    const uint8_t kind = d[pos + 1] & 0xFE, rate = d[pos + 2] & 0x0C;  // version and layer; sample rate
    for (;;) {
        if (pos + 4 > n) return false;
        const size_t length = MpegFrameLength(d + pos);
        if (length == 0 || (d[pos + 1] & 0xFE) != kind || (d[pos + 2] & 0x0C) != rate) return true;
        pos += length;
    }
}

// The first sample of a clip x264 encoded, as its mdat box begins when the box comes before
// the sample tables: a NAL unit of 4-byte length holding one SEI message of unregistered user
// data, x264's UUID and its banner, a text ("x264 - core ...- options: cabac=1 ref=3 ...") in
// printable ASCII ending in a zero, then the NAL unit's end bit. Recognised when most of the
// UUID and "x264 - core " are there; broken when anything else of it is not as x264 writes it.
// Anything else in an mdat box is not looked at.
bool X264BannerBroken(const uint8_t* d, size_t n, uint64_t boxBytes) {
    static constexpr uint8_t kMark[28] = {0xDC, 0x45, 0xE9, 0xBD, 0xE6, 0xD9, 0x48, 0xB7, 0x96, 0x2C,
                                          0xD8, 0x20, 0xD9, 0x23, 0xEE, 0xEF, 'x',  '2',  '6',  '4',
                                          ' ',  '-',  ' ',  'c',  'o',  'r',  'e',  ' '};
    size_t at = 0;  // where the UUID stands: after the length, 06 05 and the payload size's bytes
    for (size_t u = 7; u <= 11 && at == 0 && u + sizeof kMark <= n; ++u) {
        size_t same = 0;
        for (size_t k = 0; k < sizeof kMark; ++k) same += d[u + k] == kMark[k];
        if (same >= 21) at = u;
    }
    if (at == 0) return false;
    if (d[4] != 0x06 || d[5] != 0x05 || d[at - 1] == 0xFF) return true;
    size_t payload = d[at - 1];
    for (size_t k = 6; k + 1 < at; ++k) {
        if (d[k] != 0xFF) return true;
        payload += 255;
    }
    const uint64_t nal = Be32(d);  // header, type, payload size, payload, end bit
    if (payload < sizeof kMark + 1 || nal != 2 + (at - 6) + payload + 1 || 4 + nal > boxBytes) return true;
    if (!std::equal(kMark, kMark + sizeof kMark, d + at)) return true;
    const size_t textEnd = at + payload - 1;  // the zero
    const std::string_view text(reinterpret_cast<const char*>(d + at + 16), std::min(textEnd, n) - at - 16);
    for (const char c : text)
        if (c < 0x20 || c > 0x7E) return true;
    if (textEnd < n && d[textEnd] != 0) return true;
    if (textEnd + 1 < n && d[textEnd + 1] != 0x80) return true;
    // The options: words "name=value" apart by one space each, names of lower-case letters,
    // digits and "_", values of letters, digits and . : , / _ + = -
    static constexpr std::string_view kOptions = " - options: ";
    const size_t options = text.find(kOptions);
    if (options != std::string_view::npos) {
        const std::string_view list = text.substr(options + kOptions.size());
        const bool whole = textEnd < n;  // else the last word may be cut short
        size_t from = 0;
        for (;;) {
            const size_t space = list.find(' ', from);
            if (space == std::string_view::npos && !whole) break;
            const std::string_view word = list.substr(from, space == std::string_view::npos ? list.npos : space - from);
            const size_t eq = word.find('=');
            if (eq == 0 || eq == std::string_view::npos || eq + 1 == word.size()) return true;
            for (size_t k = 0; k < word.size(); ++k) {
                const char c = word[k];
                const bool name = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
                const bool value = name || (c >= 'A' && c <= 'Z') || std::string_view(".:,/+=-").find(c) != std::string_view::npos;
                if (k < eq ? !name : k > eq && !value) return true;
            }
            if (space == std::string_view::npos) break;
            from = space + 1;
        }
    }
    // The next NAL unit: within the box, its forbidden bit clear
    const uint64_t next = 4 + nal;
    if (next + 5 <= n && (Be32(d + next) < 2 || next + 4 + Be32(d + next) > boxBytes || (d[next + 4] & 0x80) != 0))
        return true;
    return false;
}

// ISO base media files (MP4, QuickTime with an ftyp, M4A, 3GP, HEIF): boxes, each a size and
// a type of four printable characters, one after another where the sizes put them, filling
// the container boxes exactly; the ftyp box first, with its brands.
bool BoxesBroken(const uint8_t* d, size_t n, size_t pos, size_t end, int depth) {
    const auto printable = [](uint8_t c) { return (c >= 0x20 && c < 0x7F) || c == 0xA9; };
    while (pos < end && pos < n) {
        if (end - pos < 8) {  // what is left of a container cannot hold a box
            return !(end - pos == 4 && n - pos >= 4 && Be32(d + pos) == 0);  // but QuickTime's zero end
        }
        if (n - pos < 8) return false;
        for (size_t k = 4; k < 8; ++k)
            if (!printable(d[pos + k])) return true;
        const uint32_t type = Be32(d + pos + 4);
        if (depth == 0 && pos == 0 && type != 0x66747970u) return true;  // "ftyp" first
        uint64_t size = Be32(d + pos);
        size_t header = 8;
        if (size == 1) {  // a 64-bit size follows the type
            if (n - pos < 16) return false;
            size = uint64_t{Be32(d + pos + 8)} << 32 | Be32(d + pos + 12);
            header = 16;
        } else if (size == 0) {  // up to the end of the file: only at the top
            return depth > 0;
        }
        if (size < header || size > end - pos) return true;  // (a box inside runs past its container)
        if (type == 0x66747970u) {  // major brand, minor version, compatible brands (or zeros)
            if (size < 16 || (size - 16) % 4 != 0) return true;
            for (size_t k = 8; k < 12 && pos + k < n; ++k)
                if (!printable(d[pos + k])) return true;
            for (size_t b = pos + 16; b + 4 <= pos + size && b + 4 <= n; b += 4)
                if (Be32(d + b) != 0 && !(printable(d[b]) && printable(d[b + 1]) && printable(d[b + 2]) && printable(d[b + 3])))
                    return true;
        }
        switch (type) {
            // Containers whose boxes fill them: moov, trak, mdia, minf, stbl, dinf, edts, mvex, moof, traf.
            case 0x6D6F6F76u: case 0x7472616Bu: case 0x6D646961u: case 0x6D696E66u: case 0x7374626Cu:
            case 0x64696E66u: case 0x65647473u: case 0x6D766578u: case 0x6D6F6F66u: case 0x74726166u:
                if (depth < 8 && BoxesBroken(d, n, pos + header, pos + static_cast<size_t>(size), depth + 1)) return true;
                break;
            case 0x6D766864u: case 0x746B6864u: case 0x6D646864u:  // mvhd, tkhd, mdhd: version 0 or 1
                if (pos + header < n && d[pos + header] > 1) return true;
                break;
            default:  // mdat, or any other box at the top: a type of mdat's changed by one bit is one
                if (depth == 0 && pos + header < n && X264BannerBroken(d + pos + header, n - pos - header, size - header))
                    return true;
                break;
        }
        if (size >= n - pos) return false;  // the next box lies beyond the bytes given
        pos += static_cast<size_t>(size);
    }
    return false;
}

bool PdfSpace(uint8_t c) { return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }
bool PdfDelimiter(uint8_t c) { return std::string_view("()<>[]{}/%").find(static_cast<char>(c)) != std::string_view::npos; }
bool HexDigit(uint8_t c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

// A bare token of PDF's object syntax: a number or one of its keywords.
bool PdfWord(std::string_view w) {
    static constexpr std::string_view kWords[] = {"obj",  "endobj", "R",         "stream", "endstream", "true", "false",
                                                  "null", "xref",   "startxref", "trailer", "f",         "n"};
    if (std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords)) return true;
    // Numbers: an optional sign, digits with at most one point, and the exponent some
    // writers add though PDF has none.
    const auto digitsAt = [&w](size_t& i) {
        const size_t from = i;
        while (i < w.size() && w[i] >= '0' && w[i] <= '9') ++i;
        return i - from;
    };
    size_t i = w[0] == '+' || w[0] == '-' ? 1 : 0;
    size_t digits = digitsAt(i);
    if (i < w.size() && w[i] == '.') digits += digitsAt(++i);
    if (digits > 0 && i + 1 < w.size() && (w[i] == 'e' || w[i] == 'E')) {
        i += w[i + 1] == '+' || w[i + 1] == '-' ? 2 : 1;
        if (digitsAt(i) == 0) return false;
    }
    return digits > 0 && i == w.size();
}

// The object syntax between a PDF's streams: numbers, keywords, names, strings, arrays and
// dictionaries nested as they open, comments. Stream data is passed over to its "endstream"
// unread (an encrypted file's streams are noise with any password); what follows "%%EOF" is
// not looked at.
bool PdfBroken(const uint8_t* d, size_t n) {
    static constexpr std::string_view kMagic = "%PDF-";
    if (n < kMagic.size() || std::string_view(reinterpret_cast<const char*>(d), kMagic.size()) != kMagic) return false;
    const std::string_view all(reinterpret_cast<const char*>(d), n);
    std::string nesting;  // '<' for each dictionary open, '[' for each array
    size_t pos = 0;
    while (pos < n) {
        const uint8_t c = d[pos];
        if (PdfSpace(c)) {
            ++pos;
        } else if (c == '%') {
            const size_t eol = all.find_first_of("\r\n", pos);
            if (all.compare(pos, 5, "%%EOF") == 0 || eol == std::string_view::npos) return false;
            pos = eol;
        } else if (c == '(') {  // balanced parentheses, each byte after a backslash as it is
            int depth = 0;
            for (; pos < n; ++pos) {
                if (d[pos] == '\\') ++pos;
                else if (d[pos] == '(') ++depth;
                else if (d[pos] == ')' && --depth == 0) break;
            }
            ++pos;
        } else if (c == '<' && pos + 1 < n && d[pos + 1] == '<') {
            nesting += '<';
            pos += 2;
        } else if (c == '<') {  // hexadecimal digits and spaces
            for (++pos; pos < n && d[pos] != '>'; ++pos)
                if (!HexDigit(d[pos]) && !PdfSpace(d[pos])) return true;
            ++pos;
        } else if (c == '>' || c == ']') {
            if (c == '>' && pos + 1 < n && d[pos + 1] != '>') return true;
            if (nesting.empty() || nesting.back() != (c == '>' ? '<' : '[')) return true;
            nesting.pop_back();
            pos += c == '>' ? 2 : 1;
        } else if (c == '[') {
            nesting += '[';
            ++pos;
        } else if (c == ')') {
            return true;
        } else {
            const bool name = c == '/', bare = !name && c != '{' && c != '}';  // a name, or a word of its own
            const size_t start = bare ? pos : pos + 1;
            size_t end = start;
            while (end < n && !PdfSpace(d[end]) && !PdfDelimiter(d[end])) ++end;
            if (end == n) return false;  // perhaps cut short
            const std::string_view word = all.substr(start, end - start);
            if (bare && !PdfWord(word)) return true;
            pos = end;
            if (word == "stream" && !name) {
                const size_t at = all.find("endstream", pos);
                if (at == std::string_view::npos) return false;
                pos = at + 9;
            }
        }
    }
    return false;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t n) { return static_cast<uint32_t>(crc32_z(0, data, n)); }

bool Broken(std::string_view mimeType, const uint8_t* data, size_t n, uint64_t whole) {
    if (mimeType == "image/jpeg") return JpegBroken(data, n, whole);
    if (mimeType == "image/png") return PngBroken(data, n, whole);
    if (mimeType == "image/gif") return GifBroken(data, n);
    if (mimeType == "image/bmp" || mimeType == "image/x-ms-bmp") return BmpBroken(data, n, whole);
    if (mimeType == "audio/mpeg") return Mp3Broken(data, n, whole);
    if (mimeType == "application/pdf") return PdfBroken(data, n);
    if (mimeType == "application/octet-stream") return false;
    // Whatever libmagic calls a file that begins with an ftyp box, it is made of boxes; one
    // that begins as a ZIP is one.
    if (n >= 8 && Be32(data + 4) == 0x66747970u) return BoxesBroken(data, n, 0, static_cast<size_t>(std::min<uint64_t>(whole, SIZE_MAX)), 0);
    if (n >= 4 && Le32(data) == 0x04034B50u) return ZipBroken(data, n, whole);
    return false;
}

}  // namespace wxh::filestructure
