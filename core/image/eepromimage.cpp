#include "eepromimage.h"

namespace tqimage {

EEPROMImage EEPROMBuf{};

std::span<std::uint8_t, imagePositions> addressView(EEPROMImage &image)
{
    return std::span(image).subspan<1>();
}

std::span<const std::uint8_t, imagePositions> addressView(const EEPROMImage &image)
{
    return std::span(image).subspan<1>();
}

const QStringList &baudRates()
{
    static const QStringList rates{QStringLiteral("1200"), QStringLiteral("2400"),
                                   QStringLiteral("4800"), QStringLiteral("9600"),
                                   QStringLiteral("19200")};
    return rates;
}

} // namespace tqimage
