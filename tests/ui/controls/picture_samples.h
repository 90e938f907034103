#pragma once
// Small picture files of every format the preview shows, made on the spot.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>
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

// A placeable Windows metafile: a red filled rectangle over the whole 100 x 100 window.
inline std::string WmfBytes(bool placeable = true) {
    std::string rec;
    auto w16 = [&rec](int v) { rec += char(v & 0xFF); rec += char((v >> 8) & 0xFF); };
    auto w32 = [&w16](uint32_t v) { w16(int(v & 0xFFFF)); w16(int(v >> 16)); };
    // records: size in 16-bit words, function, parameters
    w32(5); w16(0x020B); w16(0); w16(0);                   // SetWindowOrg
    w32(5); w16(0x020C); w16(100); w16(100);               // SetWindowExt
    w32(7); w16(0x02FC); w16(0); w16(0x00FF); w16(0x0000); w16(0);   // CreateBrushIndirect solid red
    w32(4); w16(0x012D); w16(0);                           // SelectObject 0
    w32(7); w16(0x041B); w16(100); w16(100); w16(0); w16(0);         // Rectangle
    w32(3); w16(0);                                        // end of file
    std::string out;
    auto o16 = [&out](int v) { out += char(v & 0xFF); out += char((v >> 8) & 0xFF); };
    if (placeable) {
        const int words[] = {int(0xCDD7), int(0x9AC6), 0, 0, 0, 100, 100, 96, 0, 0};
        int check = 0;
        for (int i = 0; i < 10; ++i) { o16(words[i]); check ^= words[i]; }
        o16(check);
    }
    const uint32_t total = uint32_t((18 + rec.size()) / 2);
    o16(1); o16(9); o16(0x300); o16(int(total & 0xFFFF)); o16(int(total >> 16));
    o16(1); o16(7); o16(0); o16(0);   // objects, largest record (32-bit), no parameters
    return out + rec;
}

}  // namespace wxh::test
