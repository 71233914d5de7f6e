#pragma once

#include "m.h"

#include <QString>
#include <cstdint>
#include <optional>

// The device address a request goes to, from what the user typed into the
// serial number / device ID field. The toolbar and tq540ctl both read the
// field through here, so they address the same device for the same text.
namespace m {

// The product code the main window hands to the toolbar.
inline const QString TQ540_PRODUCT_CODE = QStringLiteral("TQ540-2");

// Numbers below this are device IDs; from it on, serial numbers.
constexpr std::int32_t DEVICE_ID_LIMIT = 256;
// A serial number is addressed with this bit set.
constexpr std::uint32_t SERIAL_ADDRESS_BIT = 0x80000000U;

// The device-ID base of a product code: the leading number of the text after
// its first "-" (the whole text when there is none) times 256, rounded half to
// even; "TQ540-2" gives 512. 0 when that does not fit into 32 bits.
std::int32_t productBaseOf(const QString &productCode);

// The field's number: its leading number rounded half to even (12.5 -> 12,
// 13.5 -> 14, no number -> 0). Empty when it is negative or does not fit into
// a signed 32-bit integer; such a field is refused, never sent.
std::optional<std::int32_t> serialFieldNumber(const QString &field);

// The target address for the field: a number below 256 is a device ID,
// addressed as productBase + the number; a larger one is a serial number,
// addressed with bit 31 set. Empty when the field is refused (see above) or
// productBase + ID leaves the 32-bit range.
std::optional<std::int32_t> targetAddress(const QString &field, std::int32_t productBase);

// The address for a serial number or device ID written out on a command line
// or in a plan: digits, perhaps a fraction and a sign, read as the field
// reads them. Empty for anything else: "abc", which the field would take as
// 0, meant no device; and for what the field refuses.
std::optional<std::int32_t> writtenAddress(const QString &text);

// The address of a device by its serial number (bit 31 clear), whatever the
// number: also one below 256, which the field would read as a device ID.
constexpr std::int32_t serialAddress(std::uint32_t serialNumber)
{
    return static_cast<std::int32_t>(serialNumber | SERIAL_ADDRESS_BIT);
}

// What a contact learnt of the device, as every front end shows it.
struct DeviceSummary
{
    qint64 baud = 0;                // the speed found
    std::uint32_t serialNumber = 0; // without the address bit
    int deviceId = 0;
    std::int32_t eepromSize = 0; // bytes
    QString deviceText;          // up to the first NUL, blanks trimmed

    bool operator==(const DeviceSummary &) const = default;
};

// The device a configuration was downloaded from, and the port it was on.
struct DeviceOrigin
{
    int port = 0;
    DeviceSummary device;

    bool operator==(const DeviceOrigin &) const = default;
};

DeviceSummary summarize(const tLink &link);

} // namespace m
