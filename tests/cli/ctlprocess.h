#pragma once

// Running tq540ctl and tq540sim from the command-line tests.

#include "../testfiles.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <functional>

namespace ctltest {

inline const QString ctlProgram = QStringLiteral(TQ_BIN_DIR "/tq540ctl");
inline const QString simProgram = QStringLiteral(TQ_BIN_DIR "/tq540sim");

struct Run
{
    int status = -1; // -1: did not end normally in time
    QString out;
    QString err;
};

inline Run finish(QProcess &process, int timeoutMs = 60000)
{
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

inline Run tq540ctl(const QStringList &arguments)
{
    QProcess process;
    process.start(ctlProgram, arguments);
    return finish(process);
}

// Bytes that differ from address to address and are never zero.
inline QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int a = 0; a < size; ++a)
        bytes[a] = char(1 + (a * 7 + seed) % 251);
    return bytes;
}

// Reads the process's output until `done` accepts a line.
inline bool awaitLine(QProcess &process, const std::function<bool(const QString &)> &done)
{
    for (;;) {
        while (process.canReadLine()) {
            if (done(QString::fromLocal8Bit(process.readLine()).trimmed()))
                return true;
        }
        if (!process.waitForReadyRead(10000))
            return false;
    }
}

// tq540sim on a pseudo-terminal behind a symbolic link; stopped with SIGTERM.
class Simulator
{
public:
    Simulator(const QString &link, const QStringList &options) : linkPath(link)
    {
        process.start(simProgram, QStringList{"--link", link} + options);
        started = awaitLine(process, [](const QString &line) { return line.contains(" -> "); });
    }
    ~Simulator() { stop(); }

    bool stop()
    {
        if (process.state() == QProcess::NotRunning)
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        process.terminate();
        return process.waitForFinished(10000) && process.exitCode() == 0;
    }

    QString linkPath;
    QProcess process;
    bool started = false;
};

} // namespace ctltest
