#include "ui/picture/MetafileRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <csignal>

namespace wxh {
namespace {

const QString kRendererName = QStringLiteral("wxh-wmf-render");

QString& rendererOverride() {
    static QString program;
    return program;
}

}  // namespace

QString MetafileRendererPath() {
    if (!rendererOverride().isEmpty()) return rendererOverride();
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& place : {QStringLiteral("/"), QStringLiteral("/../libexec/wx-hollin/"), QStringLiteral("/../bin/")}) {
        const QFileInfo candidate(dir + place + kRendererName);
        if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
    }
    return QString();
}

void SetMetafileRendererForTesting(const QString& program) { rendererOverride() = program; }

QByteArray RenderMetafileInChild(const QByteArray& data, const MetafileLimits& limits) {
    const QString program = MetafileRendererPath();
    if (program.isEmpty() || data.isEmpty()) return QByteArray();

    QProcess child;
    child.setProgram(program);
    child.setStandardErrorFile(QProcess::nullDevice());
    const rlim_t space = static_cast<rlim_t>(limits.addressSpace);
    const rlim_t cpuSeconds = static_cast<rlim_t>(limits.timeoutMs / 1000 + 2);
    // Runs in the child between fork and exec: system calls only.
    child.setChildProcessModifier([space, cpuSeconds] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);   // never outlives the window program either
        const rlimit as{space, space};
        ::setrlimit(RLIMIT_AS, &as);
        const rlimit cpu{cpuSeconds, cpuSeconds};   // a second guard beside the kill below
        ::setrlimit(RLIMIT_CPU, &cpu);
        const rlimit core{0, 0};
        ::setrlimit(RLIMIT_CORE, &core);
    });

    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return std::max<qint64>(0, limits.timeoutMs - clock.elapsed()); };
    child.start(QIODevice::ReadWrite);
    if (!child.waitForStarted(int(left()))) {
        child.kill();
        child.waitForFinished(-1);
        return QByteArray();
    }
    child.write(data);   // QProcess feeds the pipe while it waits below
    child.closeWriteChannel();

    QByteArray png;
    bool ok = true;
    for (;;) {
        png += child.readAllStandardOutput();
        if (png.size() > limits.maxOutput) {
            ok = false;
            break;
        }
        if (child.state() == QProcess::NotRunning) break;
        if (left() == 0) {
            ok = false;   // out of time
            break;
        }
        if (!child.waitForReadyRead(int(left()))) child.waitForFinished(int(left()));
    }
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(-1);   // reaped at once: SIGKILL cannot be ignored
        return QByteArray();
    }
    if (!ok || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) return QByteArray();
    return png;
}

}  // namespace wxh
