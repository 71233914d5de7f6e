#include "codec.h"

#include "numtext.h"

#include <algorithm>

namespace tqimage {

namespace {

bool isChecked(const QString &cellText)
{
    return cellText.trimmed() == checkMark;
}

// A cell's leading number as a whole number; one beyond 32 bits has no
// meaningful low bits and reads as 0.
std::int32_t cellInteger(const QString &text)
{
    return numtext::roundedInt32(text).value_or(0);
}

QString checkText(bool set)
{
    return set ? checkMark : QString();
}

QString bitText(bool set)
{
    return set ? QStringLiteral("1") : QStringLiteral("0");
}

// The encoder covers the grid's data rows, but never more than there are
// records, so a grid with extra rows cannot write past its record range.
int dataRows(const CodecControls &controls, Grid grid)
{
    return std::clamp(controls.gridRows(grid) - 1, 0, layout::recordCount);
}

void encodeScalars(const CodecControls &controls, EEPROMImage &image)
{
    image[layout::posDwell] = static_cast<std::uint8_t>(
        numtext::clampedInt(numtext::roundedNumber(controls.timeoutText()), 0, 255));
    image[layout::posFlags] = controls.alarmSystemValue() == 1 ? layout::flagAlarmSystem : 0;
}

void encodeBaud(CodecControls &controls, EEPROMImage &image)
{
    if (controls.baudListIndex() < 0)
        controls.setBaudListIndex(baudFallbackIndex);
    image[layout::posBaud] = static_cast<std::uint8_t>(controls.baudListIndex());
}

void decodeInputRow(CodecControls &controls, int row, std::uint8_t byte)
{
    controls.setCellText(Grid::Inputs, row, grid::inputGroupCol,
                         QString::number(byte & layout::inputGroupMask));
    controls.setCellText(Grid::Inputs, row, grid::inputAlarmCol,
                         checkText(byte & layout::inputAlarmBit));
    controls.setCellText(Grid::Inputs, row, grid::inputTypeCol,
                         bitText(byte & layout::inputTypeBit));
    controls.setCellText(Grid::Inputs, row, grid::inputLatchCol,
                         checkText(byte & layout::inputLatchBit));
}

void decodeOutputRow(CodecControls &controls, int row, std::uint8_t byte)
{
    controls.setCellText(Grid::Outputs, row, grid::outputPowerOnCol,
                         bitText(byte & layout::outputPowerOnBit));
    controls.setCellText(Grid::Outputs, row, grid::outputAlarmCol,
                         checkText(byte & layout::outputAlarmBit));
}

std::uint8_t encodeInputRow(const CodecControls &controls, int row)
{
    const auto cell = [&](int col) { return controls.cellText(Grid::Inputs, row, col); };
    std::uint8_t byte = cellInteger(cell(grid::inputGroupCol)) & layout::inputGroupMask;
    if (isChecked(cell(grid::inputAlarmCol)))
        byte |= layout::inputAlarmBit;
    // Greater than 0 as typed, not rounded: "0.4" sets the bit.
    if (numtext::leadingNumber(cell(grid::inputTypeCol)) > 0)
        byte |= layout::inputTypeBit;
    if (isChecked(cell(grid::inputLatchCol)))
        byte |= layout::inputLatchBit;
    return byte;
}

std::uint8_t encodeOutputRow(const CodecControls &controls, int row)
{
    const auto cell = [&](int col) { return controls.cellText(Grid::Outputs, row, col); };
    std::uint8_t byte = cellInteger(cell(grid::outputPowerOnCol)) & layout::outputPowerOnBit;
    if (isChecked(cell(grid::outputAlarmCol)))
        byte |= layout::outputAlarmBit;
    return byte;
}

} // namespace

void EEPROM_ENCODE(CodecControls &controls, EEPROMImage &image)
{
    controls.EditBox_Restore(Grid::Inputs);
    controls.EditBox_Restore(Grid::Outputs);
    encodeScalars(controls, image);
    encodeBaud(controls, image);
    for (int row = 1; row <= dataRows(controls, Grid::Inputs); ++row)
        image[layout::posFirstInput - 1 + row] = encodeInputRow(controls, row);
    for (int row = 1; row <= dataRows(controls, Grid::Outputs); ++row)
        image[layout::posFirstOutput - 1 + row] = encodeOutputRow(controls, row);
}

void EEPROM_DECODE(CodecControls &controls, const EEPROMImage &image)
{
    // The whole byte, 0 .. 255: an upload after a download must not change it.
    controls.setTimeoutText(QString::number(image[layout::posDwell]));
    controls.setAlarmSystemValue(image[layout::posFlags] & layout::flagAlarmSystem ? 1 : 0);
    const int baud = image[layout::posBaud];
    controls.setBaudListIndex(baud < baudRates().size() ? baud : baudFallbackIndex);
    for (int row = 1; row <= layout::recordCount; ++row)
        decodeInputRow(controls, row, image[layout::posFirstInput - 1 + row]);
    controls.SetPosition(Grid::Inputs);
    for (int row = 1; row <= layout::recordCount; ++row)
        decodeOutputRow(controls, row, image[layout::posFirstOutput - 1 + row]);
    controls.SetPosition(Grid::Outputs);
}

} // namespace tqimage
