#pragma once

// Plays the user at the transfer window: counts the windows shown and presses
// cmdCancel (then reading Close) of one that stays open after its transfer.

#include "frmeeprom.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TransferUser : public QObject
{
public:
    TransferUser()
    {
        qApp->installEventFilter(this);
        connect(&poll, &QTimer::timeout, this, [this] {
            auto *window = qobject_cast<frmEEPROM *>(QApplication::activeModalWidget());
            if (!window || !window->isVisible() || !window->transferEnded())
                return;
            ++closesPressed;
            QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        poll.start(1);
    }

    int windowsShown = 0;
    int closesPressed = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (qobject_cast<frmEEPROM *>(watched) && event->type() == QEvent::Show)
            ++windowsShown;
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

inline ActionOutcome runActionAsUser(frmEEPROM &window, std::int16_t mode, std::int32_t start,
                                     std::int32_t stop)
{
    TransferUser user;
    const std::int32_t result = window.Action(mode, start, stop);
    return {result, user.closesPressed == 0};
}
