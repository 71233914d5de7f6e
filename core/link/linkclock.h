#pragma once

#include "scopedseam.h"

#include <chrono>
#include <cstdint>
#include <functional>

// Time and event seam of the device link. The link's waits (reply time-out, RTS
// hold, reset wait) read the millisecond tick count and the high-resolution
// counter from here and let pending events run through here, so tests can run
// them on a clock of their own without real waiting.
namespace linkclock {

class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since some start, 32 bits, wrapping after about 49.7 days.
    virtual std::uint32_t tickCount() = 0;
    // High-resolution counter and its ticks per second.
    virtual std::uint64_t perfCounter() = 0;
    virtual std::uint64_t perfFrequency() = 0;
    // Lets pending events run without waiting for new ones.
    virtual void processEvents() = 0;
    // A wait loop that found nothing to do: lets events run, sleeping until the
    // next event or at most maxWait (about a millisecond), so no core stays busy.
    virtual void idle(std::chrono::microseconds maxWait = std::chrono::milliseconds(1)) = 0;
};

// The process's clock: a monotonic clock, Qt's event loop when there is one.
class SystemClock : public Clock
{
public:
    std::uint32_t tickCount() override;
    std::uint64_t perfCounter() override;
    std::uint64_t perfFrequency() override;
    void processEvents() override;
    void idle(std::chrono::microseconds maxWait) override;
};

// A clock that only moves when told to: idle() advances it by the wait asked
// (at most a millisecond) and every event pass calls onEvents, where a test
// feeds bytes, presses cancel or checks the time.
class ManualClock : public Clock
{
public:
    explicit ManualClock(std::uint32_t startTick = 0) : tickStart(startTick) {}

    std::uint32_t tickCount() override;
    std::uint64_t perfCounter() override { return micros; }
    std::uint64_t perfFrequency() override { return 1'000'000; }
    void processEvents() override;
    void idle(std::chrono::microseconds maxWait) override;

    void advance(std::chrono::microseconds step) { micros += step.count(); }
    // Time passed since the clock was made.
    std::chrono::microseconds elapsed() const { return std::chrono::microseconds(micros); }

    std::function<void()> onEvents;

private:
    std::uint32_t tickStart;
    std::uint64_t micros = 0;
};

Clock &current();

// What one pass of a wait found: nothing (the wait rests a moment before the
// next pass), something (the next pass follows at once), or the end of the wait.
enum class Pass { Idle, Busy, Done };

// The link's one wait on the millisecond tick count. Each pass lets events
// run and reads the tick count; while no more than `ms` milliseconds have
// passed since the start it calls `pass`. A tick count below the start (the
// counter wrapped) ends the wait as a time-out would. True when a pass ended
// the wait, false when the time ran out.
bool waitTicks(std::int64_t ms, const std::function<Pass()> &pass);

// Replaces the clock (nullptr restores the system clock); returns the previous
// one. The caller keeps ownership.
Clock *install(Clock *clock);

using ScopedClock = ScopedSeam<Clock *, &install>;

} // namespace linkclock
