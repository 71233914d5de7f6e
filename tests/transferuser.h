#pragma once

// Plays the user at the transfer window: counts the windows shown, notes the
// outcome each shows when it goes away, and closes one that stays open after
// its transfer.

#include "frmeeprom.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Presses cmdCancel (then reading Close) of a transfer window that is still
// open after its transfer ended; true when it did.
inline bool closeEndedTransfer(frmEEPROM *window)
{
    if (!window || !window->isVisible() || !window->transferEnded())
        return false;
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                      Qt::LeftButton);
    return true;
}

class TransferUser : public QObject
{
public:
    TransferUser()
    {
        qApp->installEventFilter(this);
        connect(&poll, &QTimer::timeout, this, [] {
            closeEndedTransfer(qobject_cast<frmEEPROM *>(QApplication::activeModalWidget()));
        });
        poll.start(1);
    }
    void clear()
    {
        windowsShown = 0;
        outcomes.clear();
    }

    int windowsShown = 0;
    QStringList outcomes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!qobject_cast<frmEEPROM *>(watched))
            return false;
        if (event->type() == QEvent::Show)
            ++windowsShown;
        else if (event->type() == QEvent::Hide)
            outcomes << watched->findChild<QLabel *>(QStringLiteral("lbMsg"))->text();
        return false;
    }

private:
    QTimer poll;
};

struct ActionOutcome
{
    std::int32_t result = -1;
    bool closedItself = true; // false when the user had to press Close
};

// Runs one Action in `window`; when its transfer has ended and the window is
// still open, the user presses cmdCancel (then reading Close).
inline ActionOutcome runActionAsUser(frmEEPROM &window, std::int16_t mode, std::int32_t start,
                                     std::int32_t stop)
{
    ActionOutcome outcome;
    QTimer user;
    user.setInterval(1);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (closeEndedTransfer(&window))
            outcome.closedItself = false;
    });
    user.start();
    outcome.result = window.Action(mode, start, stop);
    return outcome;
}
