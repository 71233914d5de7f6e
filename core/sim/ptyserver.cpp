#include "ptyserver.h"

#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

std::int32_t baudOf(speed_t speed)
{
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

// What failed about `subject`, with the system's reason (errno).
diagnostic::Problem systemProblem(const QString &subject, const char *what)
{
    return {subject, QLatin1String(what), QString::fromLocal8Bit(strerror(errno))};
}

const char *const cannotLink = "cannot create the link";

} // namespace

PtyServer::~PtyServer()
{
    closeTerminal();
}

bool PtyServer::create(const QString &linkPath, diagnostic::Problem *problem)
{
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        *problem = systemProblem({}, "cannot create a pseudo-terminal");
        return false;
    }
    slavePath = QString::fromLocal8Bit(ptsname(master));
    // Holding the terminal's own side open keeps the line up between clients.
    slave = ::open(slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios settings{};
    if (slave < 0 || tcgetattr(slave, &settings) != 0) {
        *problem = systemProblem(slavePath, "cannot open the pseudo-terminal");
        return false;
    }
    cfmakeraw(&settings);
    cfsetspeed(&settings, B9600);
    tcsetattr(slave, TCSANOW, &settings);

    if (!clearStaleLink(linkPath, problem))
        return false;
    // symlink fails rather than replace a link made meanwhile.
    if (::symlink(slavePath.toLocal8Bit().constData(), linkPath.toLocal8Bit().constData()) != 0) {
        *problem = systemProblem(linkPath, cannotLink);
        return false;
    }
    link = linkPath;
    return true;
}

bool PtyServer::clearStaleLink(const QString &linkPath, diagnostic::Problem *problem) const
{
    const QFileInfo existing(linkPath);
    if (!existing.isSymLink()) {
        if (!existing.exists())
            return true;
        *problem = {linkPath, QLatin1String(cannotLink),
                    QStringLiteral("something that is not a symbolic link is there")};
        return false;
    }
    // A link to something that exists may belong to a running simulator or
    // name a real device: it stays. One whose terminal is gone, or is now this
    // simulator's own, was left by a simulator that was killed.
    if (existing.exists() && existing.symLinkTarget() != slavePath) {
        *problem = {linkPath, QLatin1String(cannotLink),
                    QStringLiteral("it leads to %1, which is in use (another simulator?); it "
                                   "is left as it is")
                        .arg(existing.symLinkTarget())};
        return false;
    }
    ::unlink(linkPath.toLocal8Bit().constData());
    return true;
}

std::int32_t PtyServer::lineBaud(bool *eightNoneOne) const
{
    termios settings{};
    if (tcgetattr(master, &settings) != 0)
        return 0;
    *eightNoneOne = (settings.c_cflag & CSIZE) == CS8 && !(settings.c_cflag & PARENB) &&
                    !(settings.c_cflag & CSTOPB);
    return baudOf(cfgetospeed(&settings));
}

void PtyServer::takeInput()
{
    std::array<std::uint8_t, 1024> buffer{};
    const ssize_t count = ::read(master, buffer.data(), buffer.size());
    if (count <= 0)
        return;
    const std::span<const std::uint8_t> bytes(buffer.data(), std::size_t(count));
    if (bus.echo)
        writeAll(bytes);
    bool eightNoneOne = false;
    const std::int32_t baud = lineBaud(&eightNoneOne);
    if (log)
        log(bus.listensAt(baud, eightNoneOne)
                ? QStringLiteral("received %1 bytes").arg(count)
                : QStringLiteral("ignored %1 bytes: line at %2 baud").arg(count).arg(baud));
    for (Reply &reply : bus.carry(bytes, baud, eightNoneOne))
        schedule(reply, baud);
}

void PtyServer::schedule(Reply &reply, std::int32_t baud)
{
    const SteadyClock::time_point at =
        std::max(SteadyClock::now() + std::chrono::milliseconds(reply.delayMs), lineFree);
    lineFree = at + std::chrono::microseconds(reply.frame.size() * 10'000'000 / std::max(baud, 1));
    due.push_back({at, std::move(reply.frame)});
}

void PtyServer::writeAll(std::span<const std::uint8_t> bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(master, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0 && errno != EINTR)
            break;
        sent += std::size_t(std::max<ssize_t>(n, 0));
    }
}

void PtyServer::sendDue()
{
    while (!due.empty() && due.front().at <= SteadyClock::now()) {
        writeAll(due.front().frame);
        if (log)
            log(QStringLiteral("replied with %1 bytes").arg(due.front().frame.size()));
        due.pop_front();
    }
}

void PtyServer::serve(const volatile std::sig_atomic_t &stop, const sigset_t &waitMask)
{
    while (!stop) {
        timespec wait{};
        timespec *timeout = nullptr;
        if (!due.empty()) {
            const auto left =
                std::max(due.front().at - SteadyClock::now(), SteadyClock::duration(0));
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
            timeout = &wait;
        }
        pollfd input{master, POLLIN, 0};
        const int ready =
            ppoll(master >= 0 ? &input : nullptr, master >= 0 ? 1 : 0, timeout, &waitMask);
        if (ready < 0)
            continue; // a signal: the loop condition decides
        if (master >= 0 && (input.revents & POLLIN))
            takeInput();
        sendDue();
        if (bus.gone() && master >= 0) {
            // The port is gone, as when an adapter is unplugged.
            closeTerminal();
            removeLink();
        }
    }
}

void PtyServer::removeLink()
{
    if (link.isEmpty())
        return;
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == slavePath)
        ::unlink(link.toLocal8Bit().constData());
    link.clear();
}

void PtyServer::closeTerminal()
{
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
    slave = master = -1;
    due.clear();
}

} // namespace sim
