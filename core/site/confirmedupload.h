#pragma once

#include "eepromimage.h"
#include "m.h"
#include "target.h"
#include "transferdriver.h"

#include <optional>

// Putting a configuration into one device and showing that it took: the step
// a site restore runs for every device, and commissioning a site from a plan
// after it.
namespace site {

// A fresh link record on `port`, addressed to `address`, whose speed search
// begins at `baud`.
m::tLink addressedLink(std::int16_t port, std::int32_t address, qint64 baud);

// The speed a configuration sets: the one its device runs at after a reset
// (the list's default for a code outside the list).
std::int32_t configuredSpeed(const tqimage::EEPROMImage &image);

struct UploadCheck
{
    // LINK_OK when the device runs the configuration; otherwise the upload's
    // failure or the read-back's, LINK_VERIFY_FAILED when the device holds
    // other bytes (`mismatch` says where).
    std::int32_t result = m::LINK_OK;
    std::optional<VerifyMismatch> mismatch;
    // The device as it answered after its reset; as it answered before,
    // when it was not found again; empty when it never answered.
    m::DeviceSummary found;
};

// What became of the upload, in words: "Upload completed." when the device
// runs the configuration, else the outcome's text, for a difference with
// where it lies.
QString resultText(const UploadCheck &check);

// Writes the configuration range of `image` into the device at `address`
// (now at `speedNow`) with verify, which resets it; then finds it again,
// starting at the speed the configuration sets, and reads the range back once
// more. Runs on `link`, keeping its Port; the observer sees both transfers.
UploadCheck uploadConfirmed(m::tLink &link, std::int32_t address, qint64 speedNow,
                            tqimage::EEPROMImage &image, TransferObserver &observer);

} // namespace site
