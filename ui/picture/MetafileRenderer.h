#pragma once
#include <QByteArray>
#include <QString>

namespace wxh {

// Windows metafiles are drawn by libwmf in a child process (the program wxh-wmf-render), never
// in the window program: a damaged metafile can make libwmf loop for ever or crash. The child
// runs under a memory limit (RLIMIT_AS) and is killed when its time is up; a time-out, a crash
// or a failure of the child all give an empty result, and no child outlives its time limit.
struct MetafileLimits {
    int timeoutMs = 2000;
    qint64 addressSpace = 256LL * 1024 * 1024;   // the child's whole address space
    qint64 maxOutput = 64LL * 1024 * 1024;       // PNG bytes accepted back
};

// The PNG bytes the child drew from data, or an empty array.
QByteArray RenderMetafileInChild(const QByteArray& data, const MetafileLimits& limits = MetafileLimits());

// Where the renderer is: beside the executable (the build tree, a portable copy), in
// ../libexec/wx-hollin/ (an installed program) or in ../bin/ (test programs of the build).
// Empty when none of them exists.
QString MetafileRendererPath();

// For tests: use this program instead (empty restores the search above).
void SetMetafileRendererForTesting(const QString& program);

}  // namespace wxh
