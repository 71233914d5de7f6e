#include "transferconsole.h"

#include "m.h"
#include "resdll.h"
#include "subcommand.h"
#include "transfertext.h"

#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tq540ctl {

namespace {

constexpr int pollMs = 100;

// Ctrl+C, a plain kill and a closed terminal all ask the transfer to stop.
constexpr int stopSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

bool statusLineAllowed = true;

} // namespace

void TransferConsole::setStatusLineAllowed(bool allowed)
{
    statusLineAllowed = allowed;
}

TransferConsole::TransferConsole() : live(statusLineAllowed && stderrIsTerminal())
{
    interrupted = 0;
    for (int signal : stopSignals)
        std::signal(signal, onInterrupt);
    QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
    timer.start(pollMs);
}

TransferConsole::~TransferConsole()
{
    for (int signal : stopSignals)
        std::signal(signal, SIG_DFL);
    clearLine();
}

void TransferConsole::stageChanged(TransferStage stage, bool cancellable)
{
    stageText = gResDll.GetStr(transfertext::forStage(stage));
    mBlocksMove = movesBlocks(stage);
    mCancellable = cancellable;
    draw();
}

void TransferConsole::showText(const QString &text)
{
    stageText = text;
    mBlocksMove = false;
    mCancellable = true;
    draw();
}

void TransferConsole::setPrefix(const QString &text)
{
    prefix = text;
    stageText.clear();
    mBlocksMove = false;
    draw();
}

void TransferConsole::stopBetweenDevices()
{
    mStopBetweenDevices = true;
}

void TransferConsole::clearLine()
{
    if (!live || drawn.isEmpty())
        return;
    err() << '\r' << QString(drawn.size(), u' ') << '\r';
    err().flush();
    drawn.clear();
}

void TransferConsole::poll()
{
    if (interrupted) {
        interrupted = 0;
        if (mStopBetweenDevices) {
            if (!mStopAsked)
                notice(QStringLiteral("stopping once this device is done"));
            mStopAsked = true;
        } else if (mCancellable) {
            m::gLink.Cancel = m::LINK_TRUE;
        } else if (!warned) {
            warned = true;
            notice(QStringLiteral("the device is being written; this cannot be interrupted"));
        }
    }
    draw();
}

void TransferConsole::notice(const QString &text)
{
    clearLine();
    fail(0, {{}, text, {}});
}

void TransferConsole::draw()
{
    if (!live)
        return;
    QString line = prefix + stageText;
    const std::optional<int> percent = percentDone(m::gLink);
    if (mBlocksMove && percent)
        line += QStringLiteral(" %1%").arg(*percent);
    if (line == drawn)
        return;
    err() << '\r' << line.leftJustified(drawn.size());
    err().flush();
    drawn = line;
}

} // namespace tq540ctl
