#pragma once

#include "m.h"

#include <cstdint>
#include <optional>
#include <span>

// What a transfer does; the values are the transfer window's action modes.
enum class TransferKind : std::int16_t { Download = 0, Upload = 1, Test = 2 };

// The stages a front end shows while a transfer runs.
enum class TransferStage { Searching, Reading, Writing, Verifying, Resetting };

// True in the stages that move blocks, where a percentage means something.
bool movesBlocks(TransferStage stage);

// Watches a running transfer on behalf of a front end; by itself it shows
// nothing.
class TransferObserver
{
public:
    virtual ~TransferObserver() = default;
    // A stage begins; pending events run right after, so the front end can
    // show it. `cancellable` is false while the device is written and reset:
    // a write stopped halfway would leave a configuration nobody chose.
    virtual void stageChanged(TransferStage /*stage*/, bool /*cancellable*/) {}
    // The speed search is about to ask at `baud`: attempt `attempt` (from 1)
    // of `attempts`.
    virtual void searching(std::int32_t /*baud*/, int /*attempt*/, int /*attempts*/) {}
};

// What an upload does beyond writing the blocks and resetting the device.
struct TransferOptions
{
    // Reads the range back after the writes and compares it with the image
    // before the reset; a difference fails the upload with LINK_VERIFY_FAILED
    // and the device is not reset, so it does not start on a configuration
    // nobody wrote.
    bool verify = false;
};

// The first byte a verify found different.
struct VerifyMismatch
{
    std::int32_t address = 0; // EEPROM address
    std::uint8_t written = 0;
    std::uint8_t read = 0;
};

// Where the bytes read differ from the bytes written, the first of them
// being at EEPROM address `firstAddress`; empty when they are the same.
std::optional<VerifyMismatch> firstDifference(std::span<const std::uint8_t> written,
                                              std::span<const std::uint8_t> read,
                                              std::int32_t firstAddress);

// Runs one device transfer from start to end on a link record: opens the
// link, finds the device's speed, checks the range against the device's
// EEPROM, reads or writes the blocks (a write is followed by a reset) and
// closes the link, whatever happens. The transfer window and tq540ctl both
// run their transfers through here and only show what it reports.
//
// Cancelling is the record's Cancel flag, which the link's waits poll; a front
// end sets it while the current stage is cancellable.
class TransferDriver
{
public:
    // A stop position meaning "up to the device's EEPROM size".
    static constexpr std::int32_t stopAtEepromEnd = -1;

    // `image` index p holds EEPROM address p - 1 (an EEPROMBuf).
    TransferDriver(m::tLink &link, std::span<std::uint8_t> image, TransferObserver &observer,
                   TransferOptions options = {});

    // Transfers positions lStart to lStop (a test uses neither). Returns 0 for
    // a test that found the device, LINK_DOWNLOAD_DONE or LINK_UPLOAD_DONE for
    // a completed block transfer, otherwise the failure code. A failed download
    // leaves the image as it was.
    std::int32_t run(TransferKind kind, std::int32_t lStart, std::int32_t lStop);

    // After LINK_VERIFY_FAILED: where the device's memory differs.
    const std::optional<VerifyMismatch> &mismatch() const { return mMismatch; }

private:
    std::int32_t transferBlocks(TransferKind kind, std::int32_t lStart, std::int32_t lStop);
    std::int32_t download(std::int32_t lStart, std::int32_t lStop);
    std::int32_t upload(std::int32_t lStart, std::int32_t lStop);
    std::int32_t verify(std::int32_t lStart, std::int32_t lStop);
    void enter(TransferStage stage);

    m::tLink &mLink;
    std::span<std::uint8_t> mImage;
    TransferObserver &mObserver;
    TransferOptions mOptions;
    std::optional<VerifyMismatch> mMismatch;
};

// Whole per cent of the running block transfer's bytes moved, rounded down
// (36 of 88 bytes is 40); empty before a block transfer has a size.
std::optional<int> percentDone(const m::tLink &link);

// True for the results of a transfer that did what was asked.
bool transferSucceeded(std::int32_t result);
