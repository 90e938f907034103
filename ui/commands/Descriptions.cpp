#include "ui/commands/Descriptions.h"

#include <QCoreApplication>
#include <algorithm>

#include "ui/controls/SizeText.h"

namespace wxh {

int32_t CrowInfo::Listed() const {
    return static_cast<int32_t>(std::clamp<int64_t>(
        std::min<int64_t>({int64_t(count), int64_t(names.size()), int64_t(sizes.size())}), 0, INT32_MAX));
}

QStringList PreviewLines(const QString& path, int64_t fileSize, const CrowInfo& info) {
    const QString password = info.passwordFlag != 0 ? QCoreApplication::translate("Preview", "必要")
                                                    : QCoreApplication::translate("Preview", "無し");
    QStringList lines{
        QCoreApplication::translate("Preview", " CrowFile: %1").arg(path),
        QCoreApplication::translate("Preview", "   ファイルサイズ: %1").arg(SizeText(fileSize)),
        QCoreApplication::translate("Preview", "   ファイルフォーマット: Crow%1").arg(info.format),
        QCoreApplication::translate("Preview", "   パスワード: %1").arg(password),
        QCoreApplication::translate("Preview", "   含まれるファイル数: %1ファイル").arg(info.count),
    };
    const int32_t listed = info.Listed();
    for (int32_t i = 0; i < listed; ++i) {
        const auto at = static_cast<size_t>(i);
        lines << QCoreApplication::translate("Preview", "　    %1　　%2")
                     .arg(QString::fromStdString(info.names[at]), SizeText(info.sizes[at]));
        if (i == 2) {
            lines << QCoreApplication::translate("Preview", "      他 %1ファイル　　(詳細は右クリック)").arg(info.count - 3);
            break;
        }
    }
    return lines;
}

QStringList ContentsLines(const QString& path, int64_t fileSize, const CrowInfo& info) {
    QStringList lines{
        path,
        QCoreApplication::translate("Contents", "ファイルサイズ: %1ﾊﾞｲﾄ").arg(fileSize),
        QCoreApplication::translate("Contents", "フォーマット: Crow%1").arg(info.format),
        QCoreApplication::translate("Contents", "総ファイル数: %1ファイル").arg(info.count),
        QString(),
        QCoreApplication::translate("Contents", "ファイルリスト: "),
    };
    const int32_t listed = info.Listed();
    for (int32_t i = 0; i < listed; ++i) {
        const auto at = static_cast<size_t>(i);
        lines << QStringLiteral("  ") + QString::fromStdString(info.names[at]) + QStringLiteral("    ") +
                     SizeText(info.sizes[at]);
    }
    return lines;
}

}  // namespace wxh
