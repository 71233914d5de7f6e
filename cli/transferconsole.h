#pragma once

#include <QString>
#include <QTimer>

namespace tq540ctl {

// The console side of a running transfer, in place of the transfer window's
// cancel button and progress label: Ctrl+C sets gLink.Cancel, and when the
// error stream is a terminal one line there shows the stage and the
// percentage of the bytes moved. Both are polled from a timer, which runs
// because the link's waits let events run.
class TransferConsole
{
public:
    TransferConsole();
    // Clears the status line and gives Ctrl+C back its default meaning.
    ~TransferConsole();
    TransferConsole(const TransferConsole &) = delete;
    TransferConsole &operator=(const TransferConsole &) = delete;

    // A new stage: its text, and whether blocks move (a percentage is shown).
    void stage(const QString &text, bool blocksMove = false);
    // While the device is written and reset, Ctrl+C only says it must wait:
    // a write stopped halfway would leave a configuration nobody chose.
    void setCancellable(bool cancellable) { mCancellable = cancellable; }
    void clearLine();

private:
    void poll();
    void draw();

    QTimer timer;
    bool live;
    bool mCancellable = true;
    bool mBlocksMove = false;
    bool warned = false;
    QString stageText;
    QString drawn;
};

} // namespace tq540ctl
