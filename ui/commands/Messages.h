#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

// The texts that more than one window shows, and the tables that turn the container's result
// codes into words. Japanese as written here; English when the translation is installed.
namespace wxh::text {

// The main window's caption: "W.X.Hollin    ファイルの解凍先> " followed by folder.
QString ExtractCaption(const QString& folder);

// "ファイル未選択": the current Crow file when there is none (a menu caption).
QString NoFileCaption();
// "ファイルが選択されてないよぉ(^_^;)": a command that needs a current Crow file.
QString NoCrowFileSelected();
// "キャンセルされました"
QString Cancelled();

// The release command's message when the file cannot be inspected: "未知の形式だよぉ～(>_<)"
// for result 2, "ファイルが読めませ～ん！" for any other.
QString InspectFailed(int32_t result);
// The release operations' results: empty for 0 (the folder opens instead) and for codes
// that have no message.
QString ReleaseResult(int32_t result);

// The question before releasing with a password whose decoded files do not look like what
// their names say (names: the first few of them): Yes releases anyway.
QString PasswordLooksWrong(const QStringList& names);

// The creation dialog's messages.
QString NoFilesInFolder();        // "このフォルダにはファイルが存在しません"
QString MissingPassword();        // "パスワードが入力されてないですよ"
// The writers' results: 0 "<path>を作成！！", -1 cancelled, anything else the error.
QString CreateResult(int32_t result, const QString& savedFile);

// The question before packing when names will be stored changed: the first few as
// "disk name → stored name" lines, then how many there are in all.
QString StoredNamesChangedQuestion(const QStringList& firstFew, qsizetype count);
QString StoredNamesChangedTitle();

// The overwrite question, asked by the container during a release and by the creation
// dialog before it writes: "<path>に上書きしてもいいですか？", titled "上書き確認".
QString OverwriteQuestion(const QString& path);
QString OverwriteTitle();

}  // namespace wxh::text
