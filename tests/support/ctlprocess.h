#pragma once

// Running tq540ctl and tq540sim from the command-line tests, and the inputs
// they share.

#include "testfiles.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
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

// A scratch folder, and tq540ctl run with "$DIR" in its arguments standing for it.
struct CtlFolder
{
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    Run ctl(const QString &arguments) const
    {
        QProcess process;
        process.start(ctlProgram, QString(arguments).replace("$DIR", dir.path()).split(u' '));
        return finish(process);
    }
};

// A cleared window's JSON form, keys sorted, with the first `from` replaced.
inline QByteArray clearedJson(const QString &from = {}, const QString &to = {})
{
    QString json = QStringLiteral(R"({"alarm":false,"baud":"9600","dwell":"30","inputs":[%1],)"
                                  R"("outputs":[%2]})")
                       .arg(QStringList(24, R"(["","","",""])").join(u','),
                            QStringList(24, R"(["",""])").join(u','));
    const qsizetype at = from.isEmpty() ? -1 : json.indexOf(from);
    return (at < 0 ? json : json.replace(at, from.size(), to)).toUtf8();
}

// JSON output in its compact form (keys sorted), anything else as it is.
inline QString compactJson(const QString &text)
{
    const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8());
    return json.isNull() ? text : QString::fromUtf8(json.toJson(QJsonDocument::Compact));
}

// "~part": `actual` contains the part; "!part": it does not; anything else:
// equals it.
inline bool matches(const QString &actual, const QString &expected)
{
    if (expected.startsWith(u'~'))
        return actual.contains(expected.mid(1));
    if (expected.startsWith(u'!'))
        return !actual.contains(expected.mid(1));
    return actual == expected;
}

// Reads the process's current channel until `done` accepts a line.
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
