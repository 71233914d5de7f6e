#pragma once

#include "m.h"
#include "target.h"

#include <cstdint>
#include <span>
#include <vector>

// Finding the devices on a line: every device ID of a range is asked to
// identify itself at every speed of a list. Each address gets one request and
// the wait its speed needs (the record's negative Timeout rule), so a silent
// address costs one frame's hold time and that wait; a device that answered is
// not asked again at the other speeds.
namespace busscan {

struct FoundDevice
{
    int id = 0; // the device ID it answered to
    m::DeviceSummary summary;
};

// Watches a running scan on behalf of a front end.
class ScanObserver
{
public:
    virtual ~ScanObserver() = default;
    // Device ID `id` is about to be asked at `baud`; pending events run right
    // after, where a front end may set the record's Cancel flag.
    virtual void probing(std::int32_t /*baud*/, int /*id*/) {}
    virtual void found(const FoundDevice & /*device*/) {}
};

// The least time one request of a scan needs, in milliseconds: the request's
// RTS hold at `baud`, then the whole reply wait when nothing answers, or for a
// device that answers its reply's time on the line (`replyBytes`, ten bits a
// byte).
double probeFloorMs(std::int32_t baud, int replyBytes = 0);

// How far a running scan has come, and the least time the rest needs with
// every request left unanswered (each device that answers makes it shorter).
// A front end feeds it what its ScanObserver hears.
class ScanProgress
{
public:
    ScanProgress(std::span<const int> ids, std::span<const std::int32_t> speeds);

    void probing(std::int32_t baud, int id);
    void found(int id);

    // Requests sent or being sent, and all the scan will send as far as known.
    int asked() const { return mAsked; }
    int planned() const;
    // From the request being sent on.
    double msLeft() const;

private:
    int unfoundFrom(std::size_t index) const;

    std::vector<int> mIds; // in the order the scan asks them
    std::vector<std::int32_t> mSpeeds;
    std::vector<int> mFound;
    std::size_t mSpeed = 0;   // the speed being asked
    std::size_t mCurrent = 0; // the ID being asked, or the next
    int mAsked = 0;
};

// Asks the device IDs (0 to 255) in ascending order at each speed, the speeds
// in the order given. Opens the record's port and closes it at the end. The
// devices found so far are in `found` whatever the result: LINK_OK when the
// scan ran to its end, LINK_CANCELLED, or LINK_PORT_FAILED.
std::int32_t ScanBus(m::tLink &link, std::span<const int> ids, std::span<const std::int32_t> speeds,
                     ScanObserver &observer, std::vector<FoundDevice> &found);

} // namespace busscan
