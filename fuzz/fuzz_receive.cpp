// Arbitrary byte streams from the serial line through the receive path:
// ReceiveBytes cuts them into frames across several polls, ParseFrame decodes
// (Decode7), checks and matches them against the awaited reply. The trace is
// on, so its reading of every frame, whole or broken, runs as well.
//
// Input: byte 0 picks the awaited command, byte 1 the awaited sequence number,
// byte 2 the largest chunk one poll receives; the rest is the line.

#include "fuzzcheck.h"
#include "linkclock.h"
#include "linktrace.h"
#include "m.h"
#include "mcomm.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace {

constexpr std::int16_t PORT = 1;

// The line: hands out the input a chunk per poll, swallows what is sent.
class LinePort : public mComm::CommDevice
{
public:
    std::span<const std::uint8_t> pending;
    std::size_t chunk = 1;

    std::int64_t bytesWaiting() override { return std::int64_t(std::min(chunk, pending.size())); }
    std::int64_t read(std::span<std::uint8_t> dst) override
    {
        const std::size_t n = std::min({dst.size(), chunk, pending.size()});
        std::copy_n(pending.begin(), n, dst.begin());
        pending = pending.subspan(n);
        return std::int64_t(n);
    }
    std::int64_t write(std::span<const std::uint8_t> src) override
    {
        return std::int64_t(src.size());
    }
};

LinePort *gPort = nullptr;

// One line a frame, never empty.
struct TraceCheck : linktrace::Sink
{
    void writeLine(const QString &line) override
    {
        FUZZ_CHECK(!line.isEmpty() && !line.contains(u'\n'));
    }
};

void openLine()
{
    static bool opened = false;
    if (opened)
        return;
    static linkclock::ManualClock clock;
    linkclock::install(&clock);
    static TraceCheck trace;
    linktrace::install(&trace);
    mComm::setPortFactory([](const QString &) {
        auto port = std::make_unique<LinePort>();
        gPort = port.get();
        return port;
    });
    FUZZ_CHECK(mComm::CommOpen(PORT, QStringLiteral("COM1"), m::DEFAULT_MODE) == 0);
    opened = true;
}

void checkState(const m::tLink &link)
{
    const m::Receiver &rx = m::gReceiver;
    FUZZ_CHECK(rx.ReadSlot >= 0 && rx.ReadSlot < m::SLOT_COUNT);
    FUZZ_CHECK(rx.WriteSlot >= -1 && rx.WriteSlot < m::SLOT_COUNT);
    FUZZ_CHECK(rx.WritePos >= 0 && rx.WritePos <= 64);
    FUZZ_CHECK(link.RxLen >= 0 && link.RxLen <= 64);
}

// A packet survives the frame encoding unchanged.
void checkRoundTrip(std::span<const std::uint8_t> packet)
{
    const auto body = m::Encode7(packet);
    FUZZ_CHECK(std::all_of(body.begin(), body.end(), [](std::uint8_t b) { return b >= 0x20; }));
    const auto back = m::Decode7(body);
    FUZZ_CHECK(back.size() >= packet.size());
    FUZZ_CHECK(std::equal(packet.begin(), packet.end(), back.begin()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    openLine();
    const std::span<const std::uint8_t> input(data, size);
    checkRoundTrip(input.subspan(0, std::min<std::size_t>(size, 64)));

    m::tLink link;
    link.Port = PORT;
    link.Command = input[0];
    link.SeqNo = input[1];
    gPort->chunk = 1 + input[2] % 80;
    gPort->pending = input.subspan(3);
    m::gReceiver = {};

    // Every chunk, then enough polls for every slot to be parsed.
    const std::size_t polls = size / gPort->chunk + 1 + m::SLOT_COUNT;
    for (std::size_t poll = 0; poll < polls && !link.Replied; ++poll) {
        m::ReceiveBytes(link);
        m::ParseFrame(link);
        checkState(link);
    }
    return 0;
}
