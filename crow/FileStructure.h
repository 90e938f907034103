#pragma once
// The structure the commonest picture, document and sound formats keep in their first bytes,
// beyond the few bytes of signature libmagic looks at: JPEG's chain of marker segments and its
// scans, PNG's chunks and their CRCs, GIF's blocks and LZW codes, BMP's header fields, ZIP's
// local headers and members (what Office documents are made of), MP3's ID3v2 tag and chain of
// audio frames, the boxes of MP4 and its kin, PDF's object syntax between its streams. A
// password wrong in its length, or in one character, leaves a signature right and breaks this
// structure; the wrong-password check asks here. Only the bytes given are read: what lies
// beyond them counts as intact, unless a length read in them runs past the whole file.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wxh::filestructure {

// True when data (a file's first n bytes) breaks a rule every file of mimeType keeps
// ("image/jpeg", "image/png", "image/gif", "image/bmp", "audio/mpeg", "application/pdf",
// and any type of a file that begins as a ZIP or with an ftyp box); false for any other type,
// and when the bytes given end before anything is broken. whole: the file's whole size where
// it is known; a segment, chunk, member, tag or box that runs past it is broken too.
inline constexpr uint64_t kWholeUnknown = UINT64_MAX;
bool Broken(std::string_view mimeType, const uint8_t* data, size_t n, uint64_t whole = kWholeUnknown);

// CRC-32 as PNG and ZIP have it (zlib's).
uint32_t Crc32(const uint8_t* data, size_t n);

}  // namespace wxh::filestructure
