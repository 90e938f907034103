#pragma once
#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

#include "ui/picture/MetafileRenderer.h"

namespace wxh {

// The picture loader of the window program: bitmap, JPEG, GIF, PNG, icon and cursor files
// through Qt's image readers (in this process, under their allocation limit), and Windows
// metafiles (.wmf, placeable or plain) drawn by libwmf in a child process (MetafileRenderer.h).
// The format is told from the content, not the name. A file that is none of these, or does
// not decode in time, gives a null image.
QImage LoadPicture(const QString& path);
QPixmap LoadPicturePixmap(const QString& path);

// Draws a Windows metafile held in memory in the renderer's process; a null image when it
// is not one, or the renderer fails, runs out of time or answers with anything but a PNG.
QImage RenderWmf(const QByteArray& data, const MetafileLimits& limits = MetafileLimits());
// True when data starts like a Windows metafile (placeable key or a plain header).
bool LooksLikeWmf(const QByteArray& data);

}  // namespace wxh
