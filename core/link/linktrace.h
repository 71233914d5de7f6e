#pragma once

#include "scopedseam.h"

#include <QString>
#include <cstdint>
#include <span>

// The link's traffic log: one line for every frame sent or received, with what
// the receiver made of it. It is off until a sink is installed, and the
// protocol asks enabled() before it does any work for it.
//
// A line holds the milliseconds since the trace began, "tx" or "rx", the
// port's speed, the verdict, the packet's fields when the frame is complete,
// and after a bar the frame's bytes as they were on the line:
//        6 tx  9600 sent          flags=0E tgt=00000201 seq=1 opt=0A status=00 cmd=01 len=0 ...
//      101 rx  9600 reply         flags=0D src=00000201 seq=1 opt=0A status=00 cmd=81 len=35 ...
namespace linktrace {

// What became of a frame.
enum class Verdict {
    Sent,            // written to the port
    Reply,           // the reply the exchange waited for
    BadChecksum,     // dropped: the checksum does not match
    TooShort,        // dropped: a body of fewer than 5 bytes
    TooLong,         // dropped: no ETX within 64 body bytes
    Cut,             // dropped: the next STX came before the ETX
    ForeignCommand,  // dropped: intact, but not a reply to the pending command
    ForeignSequence, // dropped: intact, but for another sequence number
    NoFreeSlot,      // dropped: every receive slot was taken
};

class Sink
{
public:
    virtual ~Sink() = default;
    virtual void writeLine(const QString &line) = 0;
};

// Installs a sink (nullptr: no trace) and returns the previous one; the
// caller keeps ownership. Times count from here on the link clock.
Sink *install(Sink *sink);
using ScopedSink = ScopedSeam<Sink *, &install>;

bool enabled();

// Writes the line of one frame: from STX to ETX, or as far as it came.
void frame(std::span<const std::uint8_t> bytes, Verdict verdict, std::int32_t baud);

// Traces to `path`, replaced, or for "-" to the error stream, for the rest
// of the run; false with the system's reason when it cannot be opened.
bool traceToFile(const QString &path, QString &error);
// Ends the trace traceToFile started and closes its file.
void stopTraceFile();

} // namespace linktrace
