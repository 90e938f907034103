#include "ui/main/ProgramIcon.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

// The drawing is a resource of this static library; its registration must be pulled in by
// name (from outside any namespace), or the linker leaves it out.
static void registerIconResource() { Q_INIT_RESOURCE(program_icon); }

namespace wxh {

QIcon ProgramIcon() {
    registerIconResource();
    QIcon icon;
    QSvgRenderer drawing(QStringLiteral(":/wx-hollin/wx-hollin.svg"));
    if (!drawing.isValid()) return icon;
    // At the sizes title bars, task bars and window switchers ask for.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        drawing.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace wxh
