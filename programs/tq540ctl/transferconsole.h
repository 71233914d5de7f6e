#pragma once

#include "transferdriver.h"

#include <QString>
#include <QTimer>

namespace tq540ctl {

// The console side of a running transfer, in place of the transfer window's
// cancel button and progress label: Ctrl+C, SIGTERM and SIGHUP set
// gLink.Cancel, and when the error stream is a terminal (and nothing else
// writes there) one line there shows the stage and the percentage of the bytes
// moved. Both are polled from a timer, which runs because the link's waits let
// events run.
class TransferConsole : public TransferObserver
{
public:
    TransferConsole();
    // Clears the status line and gives the signals back their default meaning.
    ~TransferConsole() override;
    TransferConsole(const TransferConsole &) = delete;
    TransferConsole &operator=(const TransferConsole &) = delete;

    // While the device is written and reset, a signal is held: it only says
    // the transfer must finish, as the window holds its Cancel button.
    void stageChanged(TransferStage stage, bool cancellable) override;
    // A status line of the caller's own (a bus scan's progress); Ctrl+C cancels.
    void showText(const QString &text);
    // Text put before the stage ("Device 2 of 3 ...: "), for the next item
    // of a run: the stage shown so far is cleared.
    void setPrefix(const QString &prefix);
    void clearLine();

    // From now on a signal does not cancel the transfer but asks the caller
    // to stop once the device at hand is done (stopAsked), as a site's backup
    // and restore go device by device.
    void stopBetweenDevices();
    bool stopAsked() const { return mStopAsked; }

    // False while the trace writes to the error stream, which a status line
    // would garble.
    static void setStatusLineAllowed(bool allowed);

private:
    void poll();
    void notice(const QString &text);
    void draw();

    QTimer timer;
    bool live;
    bool mCancellable = true;
    bool mBlocksMove = false; // a percentage is shown
    bool warned = false;
    bool mStopBetweenDevices = false;
    bool mStopAsked = false;
    QString prefix;
    QString stageText;
    QString drawn;
};

} // namespace tq540ctl
