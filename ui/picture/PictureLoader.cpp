#include "ui/picture/PictureLoader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSet>


namespace wxh {
namespace {

// The formats the preview shows, by what the content says it is.
bool isShownFormat(const QByteArray& format) {
    static const QSet<QByteArray> shown = {"bmp", "dib", "jpeg", "jpg", "gif", "png", "ico", "cur"};
    return shown.contains(format.toLower());
}

constexpr qint64 kMaxWmfBytes = 64LL * 1024 * 1024;
constexpr unsigned kMaxWmfSide = 4096;     // the renderer scales larger drawings down to this
constexpr int kAllocationLimitMiB = 256;   // Qt's readers refuse pictures that would need more

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

QImage RenderWmf(const QByteArray& bytes, const MetafileLimits& limits) {
    if (!LooksLikeWmf(bytes) || bytes.size() > kMaxWmfBytes) return QImage();
    const QByteArray png = RenderMetafileInChild(bytes, limits);
    if (png.isEmpty()) return QImage();
    // The child is not trusted either: its answer must be a PNG of a sensible size.
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > int(kMaxWmfSide) || size.height() > int(kMaxWmfSide)) return QImage();
    QImage image = reader.read();
    if (image.isNull()) return QImage();
    // Metafiles have no transparency of their own: what was not drawn shows white.
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return opaque;
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
    reader.setAllocationLimit(kAllocationLimitMiB);
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
