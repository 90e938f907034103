#include "ui/controls/SizeText.h"

namespace wxh {
namespace {

// hundredths / 100 in the shortest decimal form.
QString hundredths(int64_t h) {
    QString text = QString::number(h / 100);
    int64_t frac = h % 100;
    if (frac == 0) return text;
    if (frac % 10 == 0) return text + QLatin1Char('.') + QString::number(frac / 10);
    return text + QLatin1Char('.') + QString::number(frac).rightJustified(2, QLatin1Char('0'));
}

}  // namespace

QString SizeText(int64_t n) {
    if (n >= 1000000) return hundredths(n / 10000) + QStringLiteral("MB");
    if (n >= 1000) return hundredths(n / 10) + QStringLiteral("KB");
    return QString::number(n) + QStringLiteral("B");
}

}  // namespace wxh
