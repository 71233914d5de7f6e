#include "simdevice.h"

#include "apifilefunction.h"
#include "configfile.h"
#include "linenoise.h"
#include "m.h"

#include <QFileInfo>
#include <algorithm>
#include <array>

namespace sim {

namespace {

constexpr int MAX_BODY = 64;
constexpr int MAX_PACKET = 54; // the largest packet a 64-byte frame carries
constexpr std::uint8_t WRITE_OK = 0;
constexpr std::uint8_t WRITE_FAILED = 1;
constexpr int SPEED_CODE_ADDRESS = 32;
constexpr std::uint8_t FACTORY_SPEED_CODE = 3;
constexpr int DWELL_ADDRESS = 34;
constexpr std::uint8_t FACTORY_DWELL = 30;

void appendLe(std::vector<std::uint8_t> &out, std::uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

std::uint32_t readLe32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (std::uint32_t(bytes[at + 3]) << 24);
}

// The speeds of the codes 0 to 4, as the device's firmware knows them.
constexpr std::array<std::int32_t, 5> SPEEDS{1200, 2400, 4800, 9600, 19200};

std::int32_t storedSpeed(const std::vector<std::uint8_t> &eeprom)
{
    const std::uint8_t code = eeprom[SPEED_CODE_ADDRESS];
    return SPEEDS[code < SPEEDS.size() ? code : FACTORY_SPEED_CODE];
}

bool consume(int &counter)
{
    if (counter <= 0)
        return false;
    --counter;
    return true;
}

// The request's header fields that matter to the device.
struct Request
{
    std::uint8_t flags = 0;
    std::uint32_t target = 0;
    std::uint32_t seqNo = 0;
    std::uint8_t opt = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
};

bool parseRequest(std::span<const std::uint8_t> packet, Request &request)
{
    const std::size_t n = packet.size() - 2;
    std::size_t at = 0;
    request.flags = packet[at++];
    if (!(request.flags & m::FLAG_TARGET))
        return false;
    const std::size_t header = 1 +
                               4 * ((request.flags & m::FLAG_SOURCE ? 1 : 0) + 1 +
                                    (request.flags & m::FLAG_SEQUENCE ? 1 : 0)) +
                               (request.flags & m::FLAG_OPTION ? 1 : 0) + 2;
    if (n < header)
        return false;
    if (request.flags & m::FLAG_SOURCE)
        at += 4;
    request.target = readLe32(packet, at);
    at += 4;
    if (request.flags & m::FLAG_SEQUENCE) {
        request.seqNo = readLe32(packet, at);
        at += 4;
    }
    if (request.flags & m::FLAG_OPTION)
        request.opt = packet[at++];
    at += 1; // status
    request.command = packet[at++];
    request.data = packet.subspan(at, n - at);
    return true;
}

bool isKnownCommand(std::uint8_t command)
{
    return command == m::CMD_IDENTIFY || command == m::CMD_RESET || command == m::CMD_WRITE_BLOCK ||
           command == m::CMD_READ_BLOCK;
}

// The reply comes from `source` and echoes the request's sequence number
// (off by one when a fault asks for a wrong one) and option byte.
std::vector<std::uint8_t> replyHeader(const Request &request, std::uint32_t source,
                                      bool wrongSequence)
{
    std::vector<std::uint8_t> header{
        static_cast<std::uint8_t>(m::FLAG_SOURCE | (request.flags & m::FLAG_OPTION))};
    appendLe(header, source, 4);
    const std::uint32_t seqNo = wrongSequence ? request.seqNo - 1 : request.seqNo;
    if ((request.flags & m::FLAG_SEQUENCE) || wrongSequence) {
        header[0] |= m::FLAG_SEQUENCE;
        appendLe(header, seqNo, 4);
    }
    if (request.flags & m::FLAG_OPTION)
        header.push_back(request.opt);
    return header;
}

} // namespace

Device::Device(const DeviceConfig &config) : cfg(config), speed(config.baud)
{
    cfg.eepromKb = std::clamp(cfg.eepromKb, 1, 64);
    memory = factoryImage(cfg.eepromKb * 1024);
}

std::vector<std::uint8_t> Device::factoryImage(int bytes)
{
    std::vector<std::uint8_t> image(static_cast<std::size_t>(std::max(bytes, DWELL_ADDRESS + 1)));
    image[SPEED_CODE_ADDRESS] = FACTORY_SPEED_CODE;
    image[DWELL_ADDRESS] = FACTORY_DWELL;
    return image;
}

// Through the configuration file functions, so a path that is not a regular
// file is refused and the file is written as the tool writes it.
bool Device::loadImage(const QString &path, diagnostic::Problem *problem)
{
    const QString role = QStringLiteral("EEPROM image");
    std::vector<std::uint8_t> bytes(memory.size() + 1); // one more shows a file too long
    const std::int32_t count = configfile::load(path, bytes);
    if (count < 0) {
        *problem = diagnostic::cannotRead(path, role, API_FileFunction::LastErrorText());
        return false;
    }
    if (std::size_t(count) > memory.size()) {
        *problem = {path, QStringLiteral("cannot load the ") + role,
                    QStringLiteral("%1 bytes, longer than the EEPROM's %2")
                        .arg(QFileInfo(path).size())
                        .arg(memory.size())};
        return false;
    }
    std::copy_n(bytes.begin(), memory.size(), memory.begin());
    return true;
}

bool Device::saveImage(const QString &path, diagnostic::Problem *problem) const
{
    if (configfile::save(path, memory) < 0) {
        *problem = diagnostic::cannotWrite(path, QStringLiteral("EEPROM image"),
                                           API_FileFunction::LastErrorText());
        return false;
    }
    return true;
}

bool Device::listensAt(std::int32_t baud, bool eightNoneOne) const
{
    return !gone && eightNoneOne && baud == speed;
}

std::vector<std::vector<std::uint8_t>> Device::receive(std::span<const std::uint8_t> bytes)
{
    std::vector<std::vector<std::uint8_t>> replies;
    for (const std::uint8_t byte : bytes) {
        if (gone)
            break;
        if (byte == m::STX) {
            inFrame = true;
            body.clear();
        } else if (byte == m::ETX) {
            if (inFrame) {
                std::vector<std::uint8_t> reply = handleFrame(body);
                if (!reply.empty())
                    replies.push_back(std::move(reply));
            }
            inFrame = false;
        } else if (inFrame) {
            body.push_back(byte);
            if (body.size() > MAX_BODY)
                inFrame = false;
        }
    }
    return replies;
}

std::vector<std::uint8_t> Device::handleFrame(std::span<const std::uint8_t> frameBody)
{
    if (faults.vanishAfterFrames >= 0 && ++frames > faults.vanishAfterFrames) {
        gone = true;
        return {};
    }
    std::vector<std::uint8_t> packet = m::Decode7(frameBody);
    if (packet.size() < 3 || !m::CheckSum(packet, int(packet.size()) - 2))
        return {};
    Request request;
    if (!parseRequest(packet, request) || (request.command & m::CMD_REPLY))
        return {};
    const std::uint32_t byId = PRODUCT_BASE + cfg.deviceId;
    const std::uint32_t bySerial = cfg.serialNo | SERIAL_BIT;
    if (request.target != byId && request.target != bySerial)
        return {};

    Exchange exchange{request.command,           -1, 0, int(request.data.size()),
                      int(frameBody.size()) + 2, 0};
    std::vector<std::uint8_t> data = answer(request.command, request.data, exchange);
    if (!isKnownCommand(request.command) || consume(faults.dropReplies)) {
        exchanges.push_back(exchange);
        return {};
    }
    const std::vector<std::uint8_t> header =
        replyHeader(request, byId, consume(faults.wrongSequences));
    std::vector<std::uint8_t> frame = replyFrame(header, request.command, data);
    damageOnTheLine(frame);
    exchange.replyBytes = int(frame.size());
    exchanges.push_back(exchange);
    return frame;
}

std::vector<std::uint8_t> Device::answer(std::uint8_t command, std::span<const std::uint8_t> data,
                                         Exchange &exchange)
{
    switch (command) {
    case m::CMD_IDENTIFY: {
        std::vector<std::uint8_t> info = infoBlock();
        if (faults.shortInfoLength >= 0 && std::size_t(faults.shortInfoLength) < info.size())
            info.resize(faults.shortInfoLength);
        return info;
    }
    case m::CMD_RESET:
        // The reply still leaves at the old speed; the device restarts at the
        // speed its EEPROM gives.
        ++resetCount;
        speed = storedSpeed(memory);
        return {};
    case m::CMD_WRITE_BLOCK:
        return writeBlock(data, exchange);
    case m::CMD_READ_BLOCK:
        return readBlock(data, exchange);
    default:
        return {};
    }
}

std::vector<std::uint8_t> Device::infoBlock() const
{
    std::vector<std::uint8_t> info;
    appendLe(info, cfg.serialNo | SERIAL_BIT, 4);
    info.push_back(cfg.deviceId);
    appendLe(info, cfg.info6, 3);
    appendLe(info, std::uint32_t(cfg.eepromKb), 2);
    appendLe(info, cfg.info11, 2);
    info.push_back(cfg.info13);
    appendLe(info, cfg.info14, 2);
    info.push_back(cfg.info16);
    info.push_back(cfg.info17);
    // The text fills what is left of the largest reply packet.
    const QByteArray text = cfg.deviceText.toLatin1().left(MAX_PACKET - 14 - int(info.size()));
    info.insert(info.end(), text.begin(), text.end());
    return info;
}

std::vector<std::uint8_t> Device::writeBlock(std::span<const std::uint8_t> data, Exchange &exchange)
{
    if (data.size() < 3)
        return {WRITE_FAILED};
    const int address = data[0] | (data[1] << 8);
    const int count = data[2];
    exchange.address = address;
    exchange.count = count;
    const bool fits =
        data.size() == std::size_t(3 + count) && std::size_t(address + count) <= memory.size();
    const bool injected =
        faults.writeErrorAddress >= address && faults.writeErrorAddress < address + count;
    if (!fits || injected)
        return {WRITE_FAILED};
    const bool loses =
        faults.lostWriteAddress >= address && faults.lostWriteAddress < address + count;
    const std::uint8_t kept = loses ? memory[faults.lostWriteAddress] : 0;
    std::copy(data.begin() + 3, data.end(), memory.begin() + address);
    if (loses)
        memory[faults.lostWriteAddress] = kept;
    return {WRITE_OK};
}

std::vector<std::uint8_t> Device::readBlock(std::span<const std::uint8_t> data, Exchange &exchange)
{
    if (data.size() != 3)
        return {};
    const int address = data[0] | (data[1] << 8);
    int count = data[2];
    exchange.address = address;
    exchange.count = count;
    if (std::size_t(address + count) > memory.size())
        count = 0; // nothing there: the reply says so by its count
    else if (count > 0 && consume(faults.noEchoReads))
        count -= 1;
    std::vector<std::uint8_t> reply{data[0], data[1], static_cast<std::uint8_t>(count)};
    reply.insert(reply.end(), memory.begin() + address, memory.begin() + address + count);
    return reply;
}

std::vector<std::uint8_t> Device::replyFrame(const std::vector<std::uint8_t> &header,
                                             std::uint8_t command,
                                             std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> packet = header;
    packet.push_back(cfg.status);
    packet.push_back(static_cast<std::uint8_t>(command | m::CMD_REPLY));
    packet.insert(packet.end(), data.begin(), data.end());
    const int n = int(packet.size());
    packet.resize(n + 2);
    m::CheckSum(packet, n);
    if (consume(faults.corruptChecksums))
        packet[n] ^= 0x01;
    std::vector<std::uint8_t> frame{m::STX};
    const std::vector<std::uint8_t> encoded = m::Encode7(packet);
    frame.insert(frame.end(), encoded.begin(), encoded.end());
    frame.push_back(m::ETX);
    return frame;
}

void Device::damageOnTheLine(std::vector<std::uint8_t> &frame)
{
    if (consume(faults.flippedBits))
        linenoise::flipDataBit(frame, noise);
    if (consume(faults.garbageInside))
        linenoise::insertGarbage(frame, noise);
    if (consume(faults.noiseBefore)) {
        const std::vector<std::uint8_t> burst = linenoise::burst(noise);
        frame.insert(frame.begin(), burst.begin(), burst.end());
    }
}

} // namespace sim
