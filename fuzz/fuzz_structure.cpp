// Fuzz target: the file structures the wrong-password check follows behind the signatures
// (JPEG and its scan, PNG, GIF and its LZW codes, BMP, ZIP members through zlib, MP3, MP4,
// PDF's object syntax), on arbitrary decoded bytes: the first byte picks the type and the
// whole file's size. Nothing may be read past the bytes given.
#include <cstdint>
#include <vector>

#include "crow/FileStructure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kTypes[] = {"image/jpeg", "image/png", "image/gif",       "image/bmp",
                                         "audio/mpeg", "video/mp4", "application/zip", "application/pdf"};
    if (size == 0) return 0;
    const char* type = kTypes[data[0] % (sizeof kTypes / sizeof kTypes[0])];
    const std::vector<uint8_t> bytes(data + 1, data + size);  // exactly these, so that a read past them is seen
    // The high bits: the whole file's size unknown, or these bytes and up to 7 KiB more.
    const uint64_t whole = data[0] & 0x80 ? bytes.size() + (data[0] & 0x70) * uint64_t{64} : wxh::filestructure::kWholeUnknown;
    (void)wxh::filestructure::Broken(type, bytes.data(), bytes.size(), whole);
    return 0;
}
