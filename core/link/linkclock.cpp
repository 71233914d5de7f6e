#include "linkclock.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <thread>

namespace linkclock {

namespace {

using SteadyClock = std::chrono::steady_clock;

SystemClock &systemClock()
{
    static SystemClock clock;
    return clock;
}

Clock *installed = nullptr;

bool onEventThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

std::uint32_t SystemClock::tickCount()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        SteadyClock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

std::uint64_t SystemClock::perfCounter()
{
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch());
    return static_cast<std::uint64_t>(ns.count());
}

std::uint64_t SystemClock::perfFrequency()
{
    return 1'000'000'000;
}

void SystemClock::processEvents()
{
    if (onEventThread())
        QCoreApplication::processEvents();
}

void SystemClock::idle(std::chrono::microseconds maxWait)
{
    maxWait = std::clamp(maxWait, std::chrono::microseconds(0), std::chrono::microseconds(1000));
    if (!onEventThread()) {
        std::this_thread::sleep_for(maxWait);
        return;
    }
    QCoreApplication::processEvents();
    if (maxWait < std::chrono::milliseconds(1)) {
        // Qt timers count whole milliseconds; a shorter rest is slept.
        std::this_thread::sleep_for(maxWait);
        return;
    }
    // The timer bounds the wait; any other event (a serial port's data, a click)
    // ends it sooner.
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setSingleShot(true);
    wake.start(1);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::uint32_t ManualClock::tickCount()
{
    return tickStart + static_cast<std::uint32_t>(micros / 1000);
}

void ManualClock::processEvents()
{
    // Called through a copy: a handler may replace or clear itself, which
    // would otherwise destroy the closure it is running in.
    if (onEvents) {
        const std::function<void()> handler = onEvents;
        handler();
    }
}

void ManualClock::idle(std::chrono::microseconds maxWait)
{
    advance(std::clamp(maxWait, std::chrono::microseconds(1), std::chrono::microseconds(1000)));
    processEvents();
}

Clock &current()
{
    return installed ? *installed : systemClock();
}

bool waitTicks(std::int64_t ms, const std::function<Pass()> &pass)
{
    Clock &clock = current();
    const std::uint32_t start = clock.tickCount();
    for (;;) {
        clock.processEvents();
        const std::uint32_t now = clock.tickCount();
        if (now < start || std::int64_t(now - start) > ms)
            return false;
        const Pass found = pass();
        if (found == Pass::Done)
            return true;
        if (found == Pass::Idle)
            clock.idle();
    }
}

Clock *install(Clock *clock)
{
    Clock *previous = installed ? installed : &systemClock();
    installed = clock;
    return previous;
}

} // namespace linkclock
