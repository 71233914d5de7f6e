#include "linktrace.h"

#include "linkclock.h"
#include "m.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <memory>

namespace linktrace {

namespace {

Sink *active = nullptr;
std::uint32_t startTick = 0;

QLatin1String verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Sent:
        return QLatin1String("sent");
    case Verdict::Reply:
        return QLatin1String("reply");
    case Verdict::BadChecksum:
        return QLatin1String("drop:checksum");
    case Verdict::TooShort:
        return QLatin1String("drop:short");
    case Verdict::TooLong:
        return QLatin1String("drop:long");
    case Verdict::Cut:
        return QLatin1String("drop:cut");
    case Verdict::ForeignCommand:
        return QLatin1String("drop:command");
    case Verdict::ForeignSequence:
        return QLatin1String("drop:seq");
    case Verdict::NoFreeSlot:
        return QLatin1String("drop:no-slot");
    }
    return QLatin1String("?");
}

QString hex(std::uint32_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString hexBytes(std::span<const std::uint8_t> bytes, QLatin1String separator)
{
    QStringList parts;
    for (std::uint8_t byte : bytes)
        parts << hex(byte, 2);
    return parts.join(separator);
}

// The packet's fields, as the receiver reads them.
QString fields(std::span<const std::uint8_t> body)
{
    const m::Packet packet = m::DecodePacket(body);
    QString text = QStringLiteral("flags=%1").arg(hex(packet.flags, 2));
    if (packet.flags & m::FLAG_SOURCE)
        text += QStringLiteral(" src=%1").arg(hex(packet.source, 8));
    if (packet.flags & m::FLAG_TARGET)
        text += QStringLiteral(" tgt=%1").arg(hex(packet.target, 8));
    if (packet.flags & m::FLAG_SEQUENCE)
        text += QStringLiteral(" seq=%1").arg(packet.seqNo);
    if (packet.flags & m::FLAG_OPTION)
        text += QStringLiteral(" opt=%1").arg(hex(packet.opt, 2));
    text += QStringLiteral(" status=%1 cmd=%2 len=%3 data=%4 sum=%5")
                .arg(hex(packet.status, 2), hex(packet.command, 2))
                .arg(packet.data.size())
                .arg(packet.data.empty() ? QStringLiteral("-")
                                         : hexBytes(packet.data, QLatin1String("")),
                     hex(packet.sum, 4));
    text += packet.sumOk ? QStringLiteral(" ok")
                         : QStringLiteral(" bad, expected %1").arg(hex(packet.expectedSum, 4));
    return text;
}

// A frame that ended with its ETX and carries a body the receiver decodes.
std::span<const std::uint8_t> completeBody(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < m::MIN_BODY + 2 || bytes.front() != m::STX || bytes.back() != m::ETX)
        return {};
    return bytes.subspan(1, bytes.size() - 2);
}

QString formatLine(std::uint32_t ms, std::span<const std::uint8_t> bytes, Verdict verdict,
                   std::int32_t baud)
{
    QString line = QStringLiteral("%1 %2 %3 %4")
                       .arg(ms, 8)
                       .arg(verdict == Verdict::Sent ? QLatin1String("tx") : QLatin1String("rx"))
                       .arg(baud, 5)
                       .arg(verdictName(verdict), -13);
    const std::span<const std::uint8_t> body = completeBody(bytes);
    if (!body.empty())
        line += u' ' + fields(body);
    return line + QStringLiteral(" | ") + hexBytes(bytes, QLatin1String(" "));
}

class FileSink : public Sink
{
public:
    bool open(const QString &path, QString &error)
    {
        const bool opened =
            path == u"-"
                ? file.open(stderr, QIODevice::WriteOnly | QIODevice::Text)
                : (file.setFileName(path),
                   file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        if (!opened) {
            error = file.errorString();
            return false;
        }
        writeLine(QStringLiteral("# TQ540-2 link trace from %1: milliseconds since then, "
                                 "direction, baud, verdict, packet fields | frame bytes")
                      .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs)));
        return true;
    }

    // Each line is handed to the system at once, so a trace ends with the
    // last frame even when the program does not end normally.
    void writeLine(const QString &line) override
    {
        file.write((line + u'\n').toUtf8());
        file.flush();
    }

private:
    QFile file;
};

} // namespace

Sink *install(Sink *sink)
{
    Sink *previous = active;
    active = sink;
    startTick = linkclock::current().tickCount();
    return previous;
}

bool enabled()
{
    return active != nullptr;
}

void frame(std::span<const std::uint8_t> bytes, Verdict verdict, std::int32_t baud)
{
    if (!active)
        return;
    const std::uint32_t ms = linkclock::current().tickCount() - startTick;
    active->writeLine(formatLine(ms, bytes, verdict, baud));
}

namespace {

std::unique_ptr<FileSink> &fileSink()
{
    static std::unique_ptr<FileSink> sink;
    return sink;
}

} // namespace

bool traceToFile(const QString &path, QString &error)
{
    auto opened = std::make_unique<FileSink>();
    if (!opened->open(path, error))
        return false;
    install(opened.get());
    fileSink() = std::move(opened);
    return true;
}

void stopTraceFile()
{
    if (fileSink() && active == fileSink().get())
        install(nullptr);
    fileSink().reset();
}

} // namespace linktrace
