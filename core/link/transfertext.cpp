#include "transfertext.h"

#include "resdll.h"

namespace transfertext {

QString outcomeText(std::int32_t result)
{
    const QString text = gResDll.GetStr(outcomeBase + result);
    return text.isEmpty() ? QStringLiteral("device link result %1").arg(result) : text;
}

namespace {

QString hexByte(std::uint8_t byte)
{
    return QStringLiteral("0x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

QString searchProgressText(std::int32_t baud, int attempt, int attempts)
{
    return textOr(searchProgress, QStringLiteral("%1 baud, %2 of %3"))
        .arg(baud)
        .arg(attempt)
        .arg(attempts);
}

QString mismatchText(const VerifyMismatch &mismatch)
{
    return textOr(verifyMismatch,
                  QStringLiteral("First difference at EEPROM address %1: %2 written, %3 read."))
        .arg(mismatch.address)
        .arg(hexByte(mismatch.written), hexByte(mismatch.read));
}

} // namespace transfertext
