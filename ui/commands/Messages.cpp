#include "ui/commands/Messages.h"

#include <QCoreApplication>

namespace wxh::text {
QString ExtractCaption(const QString& folder) {
    //: The main window's caption; %1 is the folder releases go into.
    return QCoreApplication::translate("Messages", "W.X.Hollin    ファイルの解凍先> %1").arg(folder);
}

QString NoFileCaption() { return QCoreApplication::translate("Messages", "ファイル未選択"); }

QString NoCrowFileSelected() { return QCoreApplication::translate("Messages", "ファイルが選択されてないよぉ(^_^;)"); }

QString Cancelled() { return QCoreApplication::translate("Messages", "キャンセルされました"); }

QString PasswordLooksWrong(const QStringList& names) {
    return QCoreApplication::translate("Messages",
                                       "パスワードが違うみたいです。\n%1 の中身がファイル名と合いません。\n"
                                       "それでもレリーズしますか？")
        .arg(names.join(QStringLiteral(", ")));
}

QString InspectFailed(int32_t result) {
    return result == 2 ? QCoreApplication::translate("Messages", "未知の形式だよぉ～(>_<)")
                       : QCoreApplication::translate("Messages", "ファイルが読めませ～ん！");
}

QString ReleaseResult(int32_t result) {
    switch (result) {
    case -1: return Cancelled();
    case 1: return QCoreApplication::translate("Messages", "未知の形式だよぉ～(>_<)");
    case 2: return QCoreApplication::translate("Messages", "ファイルの書き込みができなかったよぉ(T_T)");
    case 3: return QCoreApplication::translate("Messages", "ファイルサイズがおかしいよぉ～(>_<)");
    default: return QString();
    }
}

QString NoFilesInFolder() { return QCoreApplication::translate("Messages", "このフォルダにはファイルが存在しません"); }

QString MissingPassword() { return QCoreApplication::translate("Messages", "パスワードが入力されてないですよ"); }

QString CreateResult(int32_t result, const QString& savedFile) {
    if (result == 0) {
        //: %1 is the Crow file just written.
        return QCoreApplication::translate("Messages", "%1を作成！！").arg(savedFile);
    }
    if (result == -1) return Cancelled();
    return QCoreApplication::translate("Messages", "エラ－：クロウファイルを作成できませんでした");
}

QString OverwriteQuestion(const QString& path) {
    //: %1 is the file that exists already.
    return QCoreApplication::translate("Messages", "%1に上書きしてもいいですか？").arg(path);
}

QString OverwriteTitle() { return QCoreApplication::translate("Messages", "上書き確認"); }

QString StoredNamesChangedQuestion(const QStringList& firstFew, qsizetype count) {
    QString list = firstFew.join(QLatin1Char('\n'));
    if (count > firstFew.size()) list += QStringLiteral("\n…");
    //: %1 is the number of files, %2 one line per file: "name on disk → name stored".
    return QCoreApplication::translate("Messages",
                                       "次の%1個のファイルは、名前を変えて格納されます：\n\n%2\n\nこのまま作成しますか？")
        .arg(count)
        .arg(list);
}

QString StoredNamesChangedTitle() { return QCoreApplication::translate("Messages", "ファイル名の変更"); }

}  // namespace wxh::text
