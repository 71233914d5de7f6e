#include "busscan.h"

#include "linkclock.h"
#include "mcomm.h"

#include <algorithm>

namespace busscan {

namespace {

// The request's wait follows the speed: 576000 / baud + 150 ms.
constexpr std::int16_t TIMEOUT_FROM_SPEED = -1;

// The IDs in the order a scan asks them: ascending, each once.
std::vector<int> scanOrder(std::span<const int> ids)
{
    std::vector<int> ordered(ids.begin(), ids.end());
    std::sort(ordered.begin(), ordered.end());
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    return ordered;
}

bool alreadyFound(const std::vector<FoundDevice> &found, int id)
{
    return std::any_of(found.begin(), found.end(),
                       [id](const FoundDevice &device) { return device.id == id; });
}

void setSpeed(m::tLink &link, std::int32_t baud)
{
    link.DCBString = m::modeString(baud);
    link.Settings = m::shortForm(baud);
    mComm::CommSet(link.Port, link.DCBString);
}

// One speed's pass over the IDs not found yet.
std::int32_t scanAt(m::tLink &link, std::int32_t baud, std::span<const int> ids,
                    ScanObserver &observer, std::vector<FoundDevice> &found)
{
    const std::int32_t productBase = m::productBaseOf(m::TQ540_PRODUCT_CODE);
    setSpeed(link, baud);
    for (const int id : ids) {
        if (alreadyFound(found, id))
            continue;
        observer.probing(baud, id);
        linkclock::current().processEvents(); // a Cancel set here stops Probe before it sends
        link.TargetID = m::targetAddress(QString::number(id), productBase).value_or(0);
        const std::int32_t result = m::Probe(link);
        if (result == m::LINK_CANCELLED)
            return result;
        if (result == m::LINK_OK) {
            found.push_back({id, m::summarize(link)});
            observer.found(found.back());
        }
    }
    return m::LINK_OK;
}

} // namespace

double probeFloorMs(std::int32_t baud, int replyBytes)
{
    const double hold = m::HoldTimeMs(m::IdentifyFrameBytes(), baud);
    return hold + (replyBytes > 0 ? replyBytes * 10000.0 / baud : m::SpeedWaitMs(baud));
}

ScanProgress::ScanProgress(std::span<const int> ids, std::span<const std::int32_t> speeds)
    : mIds(scanOrder(ids)), mSpeeds(speeds.begin(), speeds.end())
{
}

void ScanProgress::probing(std::int32_t baud, int id)
{
    const auto speed = std::find(mSpeeds.begin() + mSpeed, mSpeeds.end(), baud);
    mSpeed = std::min<std::size_t>(speed - mSpeeds.begin(), mSpeeds.size() - 1);
    mCurrent = std::lower_bound(mIds.begin(), mIds.end(), id) - mIds.begin();
    ++mAsked;
}

void ScanProgress::found(int id)
{
    mFound.push_back(id);
}

int ScanProgress::unfoundFrom(std::size_t index) const
{
    return static_cast<int>(
        std::count_if(mIds.begin() + std::min(index, mIds.size()), mIds.end(), [this](int id) {
            return std::find(mFound.begin(), mFound.end(), id) == mFound.end();
        }));
}

int ScanProgress::planned() const
{
    if (mSpeeds.empty())
        return mAsked;
    const int laterSpeeds = static_cast<int>(mSpeeds.size() - mSpeed - 1);
    return mAsked + unfoundFrom(mAsked > 0 ? mCurrent + 1 : mCurrent) +
           laterSpeeds * unfoundFrom(0);
}

double ScanProgress::msLeft() const
{
    if (mSpeeds.empty())
        return 0;
    double left = unfoundFrom(mCurrent) * probeFloorMs(mSpeeds[mSpeed]);
    for (std::size_t s = mSpeed + 1; s < mSpeeds.size(); ++s)
        left += unfoundFrom(0) * probeFloorMs(mSpeeds[s]);
    return left;
}

std::int32_t ScanBus(m::tLink &link, std::span<const int> ids, std::span<const std::int32_t> speeds,
                     ScanObserver &observer, std::vector<FoundDevice> &found)
{
    const std::vector<int> ordered = scanOrder(ids);
    link.Retries = 1;
    link.Timeout = TIMEOUT_FROM_SPEED;
    std::int32_t result = m::OpenLink(link);
    for (std::size_t s = 0; s < speeds.size() && result == m::LINK_OK; ++s)
        result = scanAt(link, speeds[s], ordered, observer, found);
    m::CloseLink(link);
    return result;
}

} // namespace busscan
