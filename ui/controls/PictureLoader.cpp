#include "ui/controls/PictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libwmf/api.h>
#include <libwmf/gd.h>
}

namespace wxh {
namespace {

// The formats the preview shows, by what the content says it is.
bool isShownFormat(const QByteArray& format) {
    static const QSet<QByteArray> shown = {"bmp", "dib", "jpeg", "jpg", "gif", "png", "ico", "cur"};
    return shown.contains(format.toLower());
}

constexpr qint64 kMaxWmfBytes = 64LL * 1024 * 1024;
constexpr unsigned kMaxWmfSide = 4096;   // larger drawings are scaled down to this

quint32 le32(const QByteArray& d, int at) {
    return static_cast<quint8>(d[at]) | (static_cast<quint8>(d[at + 1]) << 8) |
           (static_cast<quint8>(d[at + 2]) << 16) | (static_cast<quint32>(static_cast<quint8>(d[at + 3])) << 24);
}
quint16 le16(const QByteArray& d, int at) {
    return static_cast<quint16>(static_cast<quint8>(d[at]) | (static_cast<quint8>(d[at + 1]) << 8));
}

}  // namespace

bool LooksLikeWmf(const QByteArray& data) {
    if (data.size() >= 22 + 18 && le32(data, 0) == 0x9AC6CDD7u) return true;   // placeable header
    // A plain metafile header: type 1 (memory) or 2 (disk), header of 9 words, version 0x100 or 0x300.
    if (data.size() >= 18) {
        const quint16 type = le16(data, 0), headerWords = le16(data, 2), version = le16(data, 4);
        return (type == 1 || type == 2) && headerWords == 9 && (version == 0x100 || version == 0x300);
    }
    return false;
}

QImage RenderWmf(const QByteArray& bytes) {
    if (!LooksLikeWmf(bytes)) return QImage();
    QByteArray data = bytes;   // libwmf reads from a writable buffer
    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof(options));
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return QImage();
    }
    QImage result;
    wmfD_Rect bbox;
    unsigned int width = 0, height = 0;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(data.data()), data.size()) == wmf_E_None) {
        if (wmf_scan(api, 0, &bbox) == wmf_E_None &&
            wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None && width > 0 && height > 0) {
            if (width > kMaxWmfSide || height > kMaxWmfSide) {
                const double scale = double(kMaxWmfSide) / std::max(width, height);
                width = std::max(1u, unsigned(std::lround(width * scale)));
                height = std::max(1u, unsigned(std::lround(height * scale)));
            }
            wmf_gd_t* gd = WMF_GD_GetData(api);
            gd->type = wmf_gd_image;
            gd->bbox = bbox;
            gd->width = width;
            gd->height = height;
            if (wmf_play(api, 0, &bbox) == wmf_E_None && gd->gd_image) {
                const int* pixels = wmf_gd_image_pixels(gd->gd_image);
                if (pixels) {
                    result = QImage(int(width), int(height), QImage::Format_RGB32);
                    for (unsigned y = 0; y < height; ++y) {
                        auto* line = reinterpret_cast<QRgb*>(result.scanLine(int(y)));
                        for (unsigned x = 0; x < width; ++x) {
                            const unsigned v = static_cast<unsigned>(pixels[y * width + x]);
                            line[x] = qRgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
                        }
                    }
                }
            }
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return result;
}

QImage LoadPicture(const QString& path) {
    // Regular files only: opening a named pipe or a device could wait for ever.
    if (!QFileInfo(path).isFile()) return QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QImage();
    const QByteArray head = file.peek(64);
    if (LooksLikeWmf(head)) {
        if (file.size() > kMaxWmfBytes) return QImage();
        return RenderWmf(file.readAll());
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (!isShownFormat(reader.format())) return QImage();
    QImage image = reader.read();
    return image;
}

QPixmap LoadPicturePixmap(const QString& path) {
    const QImage image = LoadPicture(path);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

}  // namespace wxh
