#pragma once
// Small picture files of every format the preview shows, made on the spot.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace wxh::test {

// A 16 x 16 picture: red, with a blue top-left quarter.
inline QImage SampleImage() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) img.setPixelColor(x, y, QColor(0, 0, 255));
    return img;
}

inline std::string Encode(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes.toStdString();
}

inline std::string BmpBytes() { return Encode(SampleImage(), "BMP"); }
inline std::string JpegBytes() { return Encode(SampleImage(), "JPEG"); }
inline std::string PngBytes() { return Encode(SampleImage(), "PNG"); }
inline std::string IcoBytes() { return Encode(SampleImage().convertToFormat(QImage::Format_ARGB32), "ICO"); }

// A cursor is an icon file with resource type 2 and a hot spot in place of planes and bit count.
inline std::string CurBytes() {
    std::string b = IcoBytes();
    b[2] = 2;
    b[6 + 4] = 0; b[6 + 5] = 0;   // hot spot x
    b[6 + 6] = 0; b[6 + 7] = 0;   // hot spot y
    return b;
}

// A 1 x 1 GIF whose one pixel is red.
inline std::string GifBytes() {
    static const unsigned char gif[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
        0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,                     // palette: red, black
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,                         // image descriptor
        0x02, 0x02, 0x44, 0x01, 0x00,                            // LZW data
        0x3B};
    return std::string(reinterpret_cast<const char*>(gif), sizeof(gif));
}

// A Windows metafile of the given records (each: size in 16-bit words, function, parameters),
// placeable or plain, with a 100 x 100 window.
inline std::string WmfFile(const std::string& records, bool placeable = true) {
    std::string out;
    auto o16 = [&out](int v) { out += char(v & 0xFF); out += char((v >> 8) & 0xFF); };
    if (placeable) {
        const int words[] = {int(0xCDD7), int(0x9AC6), 0, 0, 0, 100, 100, 96, 0, 0};
        int check = 0;
        for (int i = 0; i < 10; ++i) { o16(words[i]); check ^= words[i]; }
        o16(check);
    }
    uint32_t largest = 0;
    for (size_t at = 0; at + 4 <= records.size();) {
        const auto byte = [&](size_t i) { return uint32_t(uint8_t(records[at + i])); };
        const uint32_t words = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
        largest = std::max(largest, words);
        at += std::max<size_t>(2 * size_t(words), 4);
    }
    const uint32_t total = uint32_t((18 + records.size()) / 2);
    o16(1); o16(9); o16(0x300); o16(int(total & 0xFFFF)); o16(int(total >> 16));
    o16(1); o16(int(largest & 0xFFFF)); o16(int(largest >> 16)); o16(0);   // objects, largest record, no parameters
    return out + records;
}

// One metafile record: function and 16-bit parameters, then raw bytes (padded to whole words).
inline std::string WmfRecord(int function, std::initializer_list<int> params, std::string raw = std::string()) {
    std::string body;
    auto w16 = [&body](int v) { body += char(v & 0xFF); body += char((v >> 8) & 0xFF); };
    w16(function);
    for (int p : params) w16(p);
    if (raw.size() % 2) raw += '\0';
    body += raw;
    const uint32_t words = uint32_t((4 + body.size()) / 2);
    std::string rec;
    auto r16 = [&rec](int v) { rec += char(v & 0xFF); rec += char((v >> 8) & 0xFF); };
    r16(int(words & 0xFFFF));
    r16(int(words >> 16));
    return rec + body;
}

// A placeable Windows metafile: a red filled rectangle over the whole 100 x 100 window.
inline std::string WmfBytes(bool placeable = true) {
    return WmfFile(WmfRecord(0x020B, {0, 0}) +                       // SetWindowOrg
                   WmfRecord(0x020C, {100, 100}) +                   // SetWindowExt
                   WmfRecord(0x02FC, {0, 0x00FF, 0x0000, 0}) +       // CreateBrushIndirect solid red
                   WmfRecord(0x012D, {0}) +                          // SelectObject 0
                   WmfRecord(0x041B, {100, 100, 0, 0}) +             // Rectangle
                   WmfRecord(0, {}),                                 // end of file
                   placeable);
}

// A metafile whose embedded bitmap (a StretchDIB record) has a header size (biSize) of 0:
// libwmf's bitmap reader loops on it for ever.
inline std::string HostileWmfBytes() {
    std::string dib;
    auto d32 = [&dib](uint32_t v) { for (int i = 0; i < 4; ++i) dib += char((v >> (8 * i)) & 0xFF); };
    auto d16 = [&dib](int v) { dib += char(v & 0xFF); dib += char((v >> 8) & 0xFF); };
    d32(0);                  // biSize 0
    d32(4); d32(4);          // width, height
    d16(1); d16(24);         // planes, bits per pixel
    for (int i = 0; i < 6; ++i) d32(0);
    dib += std::string(4 * 4 * 3, '\x7F');
    return WmfFile(WmfRecord(0x020B, {0, 0}) + WmfRecord(0x020C, {100, 100}) +
                   // StretchDIB: raster operation SRCCOPY, colours used, source and destination rectangles
                   WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 4, 4, 0, 0, 100, 100, 0, 0}, dib) + WmfRecord(0, {}));
}

}  // namespace wxh::test
