#pragma once
// What a file manager starts the window program for: wx-hollin --release CROWFILE... and
// wx-hollin --pack FOLDER, without the main window.
#include <QString>
#include <QStringList>
#include <string>

#include "ui/main/StartArguments.h"

namespace wxh {

// A path after --release or --pack that cannot be used: a Crow file that is missing or not
// a file, a folder that is missing or not a folder.
struct StartPathProblem {
    enum class Kind { None, Missing, NotAFile, NotAFolder };
    Kind kind = Kind::None;
    QString path;
    explicit operator bool() const { return kind != Kind::None; }
    std::string Console() const;   // for standard error (English)
    QString Shown() const;         // for the message box (the UI's language)
};

// Checks the paths of a Release or Pack start, in order; the first problem.
StartPathProblem CheckStartPaths(const StartArguments& start);

// The message box text for a usage error of --release or --pack.
QString StartUsageText(const StartArguments& start);

// Once the application is made: tells a usage error or a path problem of --release or
// --pack in a message box (2), or runs the command (its status). -1 for a start with the
// main window.
int RunStartCommand(const StartArguments& start);

// Releases each Crow file, one after the other, into a folder beside it named after it, as
// the window's release command does (progress window, password and overwrite questions,
// messages), and opens each released folder. 0 when every file was released, 1 otherwise.
int RunReleaseCommand(const QStringList& crowFiles);

// The creation dialog alone for folder, its save dialog starting in the folder that holds
// it; returns 0 when the dialog has closed.
int RunPackCommand(const QString& folder);

}  // namespace wxh
