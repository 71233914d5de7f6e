#include "target.h"

#include "numtext.h"

#include <QRegularExpression>
#include <limits>

namespace m {

std::int32_t productBaseOf(const QString &productCode)
{
    const qsizetype dash = productCode.indexOf(u'-');
    const QString number = dash < 0 ? productCode : productCode.mid(dash + 1);
    const double base = numtext::roundHalfEven(numtext::leadingNumber(number) * 256.0);
    if (base < std::numeric_limits<std::int32_t>::min() ||
        base > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(base);
}

std::optional<std::int32_t> serialFieldNumber(const QString &field)
{
    const std::optional<std::int32_t> number = numtext::roundedInt32(field);
    if (!number || *number < 0)
        return std::nullopt;
    return number;
}

std::optional<std::int32_t> targetAddress(const QString &field, std::int32_t productBase)
{
    const std::optional<std::int32_t> number = serialFieldNumber(field);
    if (!number)
        return std::nullopt;
    if (*number >= DEVICE_ID_LIMIT)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(*number) | SERIAL_ADDRESS_BIT);
    const std::int64_t address = std::int64_t(productBase) + *number;
    if (address < std::numeric_limits<std::int32_t>::min() ||
        address > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(address);
}

std::optional<std::int32_t> writtenAddress(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)\s*$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    return targetAddress(text, productBaseOf(TQ540_PRODUCT_CODE));
}

DeviceSummary summarize(const tLink &link)
{
    DeviceSummary summary;
    summary.baud = static_cast<qint64>(numtext::leadingNumber(link.Settings));
    summary.serialNumber = static_cast<std::uint32_t>(link.SerialNo) & ~SERIAL_ADDRESS_BIT;
    summary.deviceId = link.DevID;
    summary.eepromSize = link.EEPROMSize;
    summary.deviceText = link.DevText.left(link.DevText.indexOf(QChar(0))).trimmed();
    return summary;
}

} // namespace m
