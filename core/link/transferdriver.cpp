#include "transferdriver.h"

#include "linkclock.h"

#include <algorithm>
#include <cmath>
#include <vector>

bool movesBlocks(TransferStage stage)
{
    return stage == TransferStage::Reading || stage == TransferStage::Writing ||
           stage == TransferStage::Verifying;
}

TransferDriver::TransferDriver(m::tLink &link, std::span<std::uint8_t> image,
                               TransferObserver &observer, TransferOptions options)
    : mLink(link), mImage(image), mObserver(observer), mOptions(options)
{
}

std::int32_t TransferDriver::run(TransferKind kind, std::int32_t lStart, std::int32_t lStop)
{
    mMismatch.reset();
    std::int32_t result = m::OpenLink(mLink);
    if (result == m::LINK_OK) {
        enter(TransferStage::Searching);
        result = m::SelectSpeed(mLink, [this](std::int32_t baud, int attempt, int attempts) {
            mObserver.searching(baud, attempt, attempts);
        });
        if (result == m::LINK_OK && kind != TransferKind::Test)
            result = transferBlocks(kind, lStart, lStop);
    }
    m::CloseLink(mLink);
    return result;
}

std::int32_t TransferDriver::transferBlocks(TransferKind kind, std::int32_t lStart,
                                            std::int32_t lStop)
{
    if (lStop == stopAtEepromEnd)
        lStop = mLink.EEPROMSize;
    if (lStop > mLink.EEPROMSize)
        return m::LINK_BEYOND_EEPROM;
    mLink.Total = 0;
    return kind == TransferKind::Download ? download(lStart, lStop) : upload(lStart, lStop);
}

std::int32_t TransferDriver::download(std::int32_t lStart, std::int32_t lStop)
{
    enter(TransferStage::Reading);
    std::vector<std::uint8_t> buffer;
    const std::int32_t result = m::ReadBlocks(mLink, buffer, lStart, lStop);
    if (result != m::LINK_OK)
        return result; // the image keeps what it held
    if (lStop > static_cast<std::int64_t>(mImage.size()) - 1)
        return m::LINK_IMAGE_OVERFLOW;
    std::copy(buffer.begin() + 1, buffer.end(), mImage.begin() + lStart);
    return m::LINK_DOWNLOAD_DONE;
}

std::int32_t TransferDriver::upload(std::int32_t lStart, std::int32_t lStop)
{
    enter(TransferStage::Writing);
    std::int32_t result = m::WriteBlocks(mLink, mImage, lStart, lStop);
    if (result == m::LINK_OK && mOptions.verify)
        result = verify(lStart, lStop);
    if (result != m::LINK_OK)
        return result;
    enter(TransferStage::Resetting);
    return m::ResetDevice(mLink) == m::LINK_OK ? m::LINK_UPLOAD_DONE : m::LINK_RESET_FAILED;
}

std::int32_t TransferDriver::verify(std::int32_t lStart, std::int32_t lStop)
{
    enter(TransferStage::Verifying);
    std::vector<std::uint8_t> buffer;
    const std::int32_t result = m::ReadBlocks(mLink, buffer, lStart, lStop);
    if (result != m::LINK_OK)
        return result;
    mMismatch = firstDifference(mImage.subspan(lStart, lStop - lStart + 1),
                                std::span<const std::uint8_t>(buffer).subspan(1), lStart - 1);
    return mMismatch ? m::LINK_VERIFY_FAILED : m::LINK_OK;
}

std::optional<VerifyMismatch> firstDifference(std::span<const std::uint8_t> written,
                                              std::span<const std::uint8_t> read,
                                              std::int32_t firstAddress)
{
    const auto [w, r] = std::mismatch(written.begin(), written.end(), read.begin(), read.end());
    if (w == written.end())
        return std::nullopt;
    const std::uint8_t readByte = r == read.end() ? 0 : *r;
    return VerifyMismatch{firstAddress + static_cast<std::int32_t>(w - written.begin()), *w,
                          readByte};
}

void TransferDriver::enter(TransferStage stage)
{
    const bool cancellable = stage == TransferStage::Searching || stage == TransferStage::Reading;
    mObserver.stageChanged(stage, cancellable);
    linkclock::current().processEvents();
}

std::optional<int> percentDone(const m::tLink &link)
{
    if (link.Total < 1)
        return std::nullopt;
    return static_cast<int>(std::floor(static_cast<double>(link.Done) / link.Total * 100.0));
}

bool transferSucceeded(std::int32_t result)
{
    return result == m::LINK_OK || result == m::LINK_DOWNLOAD_DONE || result == m::LINK_UPLOAD_DONE;
}
