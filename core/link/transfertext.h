#pragma once

#include "transferdriver.h"

#include <QString>

// Language library texts of a transfer, shared by the transfer window and the
// command-line front end so both report a transfer in the same words.
namespace transfertext {

constexpr int searching = 1354;
constexpr int reading = 1355;
constexpr int writing = 1356;
constexpr int resetting = 1357;
constexpr int verifying = 1358;
constexpr int outcomeBase = 1400; // + result code
constexpr int searchProgress = 1359;
constexpr int verifyMismatch = 1360;

// The outcome of a device link result as the transfer window shows it, or
// "device link result N" where the language library has no text for it.
QString outcomeText(std::int32_t result);

constexpr int forStage(TransferStage stage)
{
    switch (stage) {
    case TransferStage::Searching:
        return searching;
    case TransferStage::Reading:
        return reading;
    case TransferStage::Writing:
        return writing;
    case TransferStage::Verifying:
        return verifying;
    case TransferStage::Resetting:
        break;
    }
    return resetting;
}

// The speed search's progress: "9600 baud, 1 of 12".
QString searchProgressText(std::int32_t baud, int attempt, int attempts);

// Where a verify found the device's memory different: "First difference at
// EEPROM address 50: 0xEE written, 0x97 read."
QString mismatchText(const VerifyMismatch &mismatch);

} // namespace transfertext
