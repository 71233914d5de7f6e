#include "m.h"

#include "linkclock.h"
#include "linktrace.h"
#include "mcomm.h"

#include <algorithm>
#include <cmath>

namespace m {

namespace {

constexpr int DEFAULT_WAIT_MS = 1500;
// RTS falls at the latest this long after the hold time when the port never
// reports its output sent (a stalled adapter), so the exchange goes on to its
// reply time-out instead of hanging.
constexpr double DRAIN_LIMIT_MS = 1000.0;

int replyWaitMs(const tLink &link)
{
    if (link.Timeout > 0)
        return link.Timeout * 100;
    if (link.Timeout < 0)
        return SpeedWaitMs(GetBaud(link.Port));
    return DEFAULT_WAIT_MS;
}

// One attempt's wait for the reply; false when all attempts must stop.
bool awaitReply(tLink &link, int waitMs)
{
    return !linkclock::waitTicks(waitMs, [&link] {
        const bool gotBytes = ReceiveBytes(link) > 0;
        const bool parsed = ParseFrame(link);
        if (link.Cancel || link.Replied)
            return linkclock::Pass::Done;
        return gotBytes || parsed ? linkclock::Pass::Busy : linkclock::Pass::Idle;
    });
}

} // namespace

std::int32_t OpenLink(tLink &link)
{
    const QString mode = link.DCBString.trimmed().isEmpty() ? DEFAULT_MODE : link.DCBString;
    mComm::CommClose(link.Port);
    const std::int32_t result =
        mComm::CommOpen(link.Port, QStringLiteral("COM%1").arg(link.Port), mode);
    return result == mComm::COMM_OK ? LINK_OK : LINK_PORT_FAILED;
}

void CloseLink(tLink &link)
{
    mComm::CommClose(link.Port);
}

std::int32_t Transact(tLink &link)
{
    std::int32_t result = LINK_OK;
    const std::vector<std::uint8_t> frame = buildFrame(link, result);
    if (result != LINK_OK)
        return result;
    const int attempts = link.Retries < 1 ? 3 : link.Retries;
    link.Replied = LINK_FALSE;
    for (int attempt = 0; attempt < attempts && !link.Cancel; ++attempt) {
        SendFrame(link, frame);
        if (!awaitReply(link, replyWaitMs(link)))
            break;
    }
    if (link.Cancel)
        return LINK_CANCELLED;
    return link.Replied ? LINK_OK : LINK_NO_REPLY;
}

int SpeedWaitMs(std::int32_t baud)
{
    return static_cast<int>(std::lround(576000.0 / (baud > 0 ? baud : 1200) + 150));
}

double HoldTimeMs(int frameBytes, std::int32_t baud)
{
    // Without a known speed, hold as long as the slowest speed needs.
    const double rate = baud > 0 ? baud : 1200;
    return std::max(frameBytes * 9000.0 / rate + 15.0, frameBytes * 10000.0 / rate + 2.0);
}

void SendFrame(tLink &link, std::span<const std::uint8_t> frame)
{
    linkclock::Clock &clock = linkclock::current();
    mComm::CommSetLine(link.Port, mComm::LINE_RTS, true);
    const double ticksPerMs = static_cast<double>(clock.perfFrequency()) / 1000.0;
    const std::uint64_t start = clock.perfCounter();
    const std::int32_t baud = GetBaud(link.Port);
    const double holdTicks = HoldTimeMs(static_cast<int>(frame.size()), baud) * ticksPerMs;
    const double limitTicks = holdTicks + DRAIN_LIMIT_MS * ticksPerMs;
    mComm::CommWrite(link.Port, frame);
    if (linktrace::enabled())
        linktrace::frame(frame, linktrace::Verdict::Sent, baud); // while the frame is on the line
    for (;;) {
        clock.processEvents();
        const std::uint64_t now = clock.perfCounter();
        if (now < start)
            break;
        // A USB adapter may still be sending when the frame's time is up:
        // the port is asked only then, when little can remain.
        const double held = static_cast<double>(now - start);
        if (held > holdTicks && (held > limitTicks || mComm::CommOutputDrained(link.Port)))
            break;
        const double leftUs = held < holdTicks ? (holdTicks - held) * 1000.0 / ticksPerMs : 1000.0;
        clock.idle(std::chrono::microseconds(static_cast<std::int64_t>(std::min(leftUs, 1000.0))));
    }
    mComm::CommSetLine(link.Port, mComm::LINE_RTS, false);
}

std::int32_t GetBaud(std::int16_t port)
{
    if (port < 1 || port > mComm::PORT_COUNT)
        return 0;
    return mComm::CommPorts[port - 1].dcb.BaudRate;
}

} // namespace m
