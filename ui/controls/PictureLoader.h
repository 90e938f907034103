#pragma once
#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace wxh {

// The picture loader of the window program: bitmap, JPEG, GIF, PNG, icon and cursor files
// through Qt's image readers, and Windows metafiles (.wmf, placeable or plain) drawn by
// libwmf. The format is told from the content, not the name. A file that is none of
// these, or does not decode, gives a null image.
QImage LoadPicture(const QString& path);
QPixmap LoadPicturePixmap(const QString& path);

// Draws a Windows metafile held in memory; a null image when it is not one or fails.
QImage RenderWmf(const QByteArray& data);
// True when data starts like a Windows metafile (placeable key or a plain header).
bool LooksLikeWmf(const QByteArray& data);

}  // namespace wxh
