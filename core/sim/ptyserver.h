#pragma once

#include "simbus.h"

#include <QString>
#include <chrono>
#include <csignal>
#include <deque>
#include <functional>

// The simulated line behind a Linux pseudo-terminal: a serial-port program
// opens the terminal (or a symbolic link to it) as if it were a port. A device
// answers only while the terminal is set to its line speed, 8 data bits, no
// parity, one stop bit. Replies go out whole, one after the other, each once
// the one before has had its time on the wire.
namespace sim {

class PtyServer
{
public:
    explicit PtyServer(Bus &line) : bus(line) {}
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    // Creates the terminal and makes linkPath a symbolic link to it. A link
    // left there by a simulator that was killed is replaced; a link to
    // something that exists (another running simulator's terminal, a device)
    // and anything else are refused.
    // False, with `problem` saying why, when that fails.
    bool create(const QString &linkPath, diagnostic::Problem *problem);
    QString terminalPath() const { return slavePath; }

    // Serves until stop is non-zero. The caller blocks the signals that set it
    // and passes the mask to wait with, in which they are open.
    void serve(const volatile std::sig_atomic_t &stop, const sigset_t &waitMask);

    // Removes the symbolic link, if it is still ours.
    void removeLink();

    // Receives one line for every chunk of bytes read and every reply sent.
    std::function<void(const QString &)> log;

private:
    using SteadyClock = std::chrono::steady_clock;
    struct Due
    {
        SteadyClock::time_point at;
        std::vector<std::uint8_t> frame;
    };

    bool clearStaleLink(const QString &linkPath, diagnostic::Problem *problem) const;
    std::int32_t lineBaud(bool *eightNoneOne) const;
    void takeInput();
    void schedule(Reply &reply, std::int32_t baud);
    void sendDue();
    void writeAll(std::span<const std::uint8_t> bytes);
    void closeTerminal();

    Bus &bus;
    int master = -1;
    int slave = -1;
    QString slavePath;
    QString link;
    std::deque<Due> due;              // in the order they go out
    SteadyClock::time_point lineFree; // the last reply due is on the line until then
};

} // namespace sim
