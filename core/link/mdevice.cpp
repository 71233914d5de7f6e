#include "m.h"

#include "linkclock.h"
#include "mcomm.h"

#include <algorithm>

namespace m {

namespace {

constexpr std::uint8_t REQUEST_FLAGS = FLAG_SOURCE | FLAG_TARGET | FLAG_SEQUENCE | FLAG_OPTION;
constexpr std::uint8_t OPT_IDENTIFY = 10;
constexpr std::uint8_t OPT_BLOCK = 5;

// Sequence numbers count on and wrap instead of overflowing.
std::int32_t nextSeqNo(std::int32_t seqNo)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seqNo) + 1U);
}

// A plain delay, over once ms have passed: a wait's passes run through its
// last millisecond, so the delay's last pass is one millisecond earlier.
void waitMs(int ms)
{
    linkclock::waitTicks(ms - 1, [] { return linkclock::Pass::Idle; });
}

} // namespace

std::int32_t Identify(tLink &link)
{
    link.Timeout = 0;
    return Probe(link);
}

namespace {

void setIdentifyRequest(tLink &link)
{
    link.Command = CMD_IDENTIFY;
    link.SeqNo = nextSeqNo(link.SeqNo);
    link.Opt = OPT_IDENTIFY;
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 0; // the request carries no data, whatever the last block left
}

} // namespace

int IdentifyFrameBytes()
{
    tLink link;
    link.TargetID = 1;
    setIdentifyRequest(link);
    std::int32_t result = LINK_OK;
    return static_cast<int>(buildFrame(link, result).size());
}

std::int32_t Probe(tLink &link)
{
    setIdentifyRequest(link);
    const std::int32_t result = Transact(link);
    if (result > 0)
        return result;
    return ParseDeviceInfo(link);
}

std::int32_t ParseDeviceInfo(tLink &link)
{
    const int length = std::clamp(link.RxLen, 0, 64);
    // Bytes the reply did not carry read as 0, never as an earlier reply's.
    std::array<std::uint8_t, 65> info{};
    std::copy_n(link.RxData.begin() + 1, length, info.begin() + 1);
    const std::span<const std::uint8_t> bytes(info);
    link.SerialNo = static_cast<std::int32_t>(readLe(bytes, 1, 4));
    link.DevID = info[5];
    link.Info6 = static_cast<std::int32_t>(readLe(bytes, 6, 3));
    link.EEPROMSize = static_cast<std::int32_t>(readLe(bytes, 9, 2)) * 1024;
    link.Info11 = static_cast<std::int16_t>(readLe(bytes, 11, 2));
    link.Info13 = info[13];
    link.Info14 = static_cast<std::int16_t>(readLe(bytes, 14, 2));
    link.Info16 = info[16];
    link.Info17 = info[17];
    link.DevText.clear();
    for (int k = INFO_MIN_LEN; k <= length; ++k)
        link.DevText += QChar::fromLatin1(static_cast<char>(info[k]));
    return length >= INFO_MIN_LEN ? LINK_OK : LINK_SHORT_INFO;
}

QString modeString(std::int32_t baud)
{
    return QStringLiteral("baud=%1 parity=N data=8 stop=1").arg(baud);
}

QString shortForm(std::int32_t baud)
{
    return QStringLiteral("%1,N,8,1").arg(baud);
}

namespace {

// One speed the search asks at: its mode string and its short form.
struct SearchSpeed
{
    QString mode;
    QString settings;
};

// The last known speed (9600 when none is known), then the search list
// without it: one pass of the search.
std::vector<SearchSpeed> searchPass(const tLink &link)
{
    const bool blank = link.DCBString.trimmed().isEmpty();
    const QString lastMode = blank ? DEFAULT_MODE : link.DCBString;
    std::vector<SearchSpeed> pass{{lastMode, blank ? shortForm(SEARCH_SPEEDS[0]) : link.Settings}};
    for (const std::int32_t baud : SEARCH_SPEEDS) {
        if (modeString(baud) != lastMode)
            pass.push_back({modeString(baud), shortForm(baud)});
    }
    return pass;
}

} // namespace

std::int32_t SelectSpeed(tLink &link, const SpeedTry &trying)
{
    constexpr int passes = 2;
    const std::vector<SearchSpeed> pass = searchPass(link);
    const int attempts = passes * static_cast<int>(pass.size());
    link.Retries = 1;
    for (int attempt = 0; attempt < attempts && !link.Cancel; ++attempt) {
        const SearchSpeed &speed = pass[attempt % pass.size()];
        mComm::CommSet(link.Port, speed.mode);
        if (trying)
            trying(GetBaud(link.Port), attempt + 1, attempts);
        if (Identify(link) == LINK_OK) {
            link.Settings = speed.settings;
            link.DCBString = speed.mode;
            link.SpeedFound = LINK_TRUE;
            return LINK_OK;
        }
    }
    return link.Cancel ? LINK_CANCELLED : LINK_NO_REPLY;
}

namespace {

// Progress counters and the request fields shared by every block of a read or write.
void beginBlockTransfer(tLink &link, std::uint8_t command, std::int32_t lStart, std::int32_t lStop)
{
    link.Total = lStop - lStart + 1;
    link.Done = 0;
    link.Command = command;
    link.Opt = OPT_BLOCK;
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 3;
    link.SeqNo = 0;
}

// Address (position - 1, little-endian) and count of the block starting at position a.
void setBlockHeader(tLink &link, std::int32_t a, int count)
{
    link.TxData[1] = static_cast<std::uint8_t>((a - 1) & 0xFF);
    link.TxData[2] = static_cast<std::uint8_t>((a - 1) >> 8);
    link.TxData[3] = static_cast<std::uint8_t>(count);
    link.SeqNo = nextSeqNo(link.SeqNo);
}

} // namespace

std::int32_t ReadBlocks(tLink &link, std::vector<std::uint8_t> &buffer, std::int32_t &lStart,
                        std::int32_t &lStop)
{
    if (lStop < 1)
        lStop = link.EEPROMSize;
    if (lStart < 1 || lStop < lStart || lStop > MAX_POSITION)
        return LINK_BAD_RANGE;
    beginBlockTransfer(link, CMD_READ_BLOCK, lStart, lStop);
    buffer.assign(static_cast<std::size_t>(link.Total) + 1, 0);
    for (std::int32_t a = lStart; a <= lStop; a += MAX_BLOCK) {
        if (link.Cancel)
            return LINK_CANCELLED;
        const int count = std::min(MAX_BLOCK, lStop - a + 1);
        setBlockHeader(link, a, count);
        const std::int32_t result = Transact(link);
        if (result > 0)
            return result;
        // A reply must echo address and count and carry every byte asked for.
        if (link.RxLen < 3 + count ||
            !std::equal(link.TxData.begin() + 1, link.TxData.begin() + 4, link.RxData.begin() + 1))
            return LINK_NO_ECHO;
        std::copy_n(link.RxData.begin() + 4, count, buffer.begin() + link.Done + 1);
        link.Done += count;
    }
    return LINK_OK;
}

std::int32_t WriteBlocks(tLink &link, std::span<const std::uint8_t> image, std::int32_t lStart,
                         std::int32_t lStop)
{
    const auto upper = static_cast<std::int64_t>(image.size()) - 1;
    if (lStart < 1 || lStop < lStart || lStop > upper || lStop > MAX_POSITION)
        return LINK_BAD_RANGE;
    beginBlockTransfer(link, CMD_WRITE_BLOCK, lStart, lStop);
    for (std::int32_t a = lStart; a <= lStop; a += MAX_BLOCK) {
        if (link.Cancel)
            return LINK_CANCELLED;
        const int count = std::min(MAX_BLOCK, lStop - a + 1);
        setBlockHeader(link, a, count);
        std::copy_n(image.begin() + a, count, link.TxData.begin() + 4);
        link.TxLen = count + 3;
        const std::int32_t result = Transact(link);
        if (result > 0)
            return result;
        // A reply without its result byte confirms nothing.
        if (link.RxLen < 1 || link.RxData[1] != 0)
            return LINK_WRITE_ERROR;
        link.Done += count;
    }
    return LINK_OK;
}

std::int32_t ResetDevice(tLink &link)
{
    link.Command = CMD_RESET;
    link.Opt = OPT_BLOCK;
    link.SeqNo = nextSeqNo(link.SeqNo);
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 0; // the request carries no data, whatever the last block left
    if (Transact(link) > 0)
        return LINK_RESET_FAILED;
    waitMs(RESET_WAIT_MS);
    return LINK_OK;
}

} // namespace m
