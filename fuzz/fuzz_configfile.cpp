// Arbitrary configuration files through the toolbar's Open (configfile::load)
// and the decoding of the image into the window's controls.

#include "codec.h"
#include "configfile.h"
#include "fuzzcheck.h"
#include "memorycontrols.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using namespace tqimage;

// The file every input is written to; the folder goes at exit. Kept in
// memory where the system offers it, as it is rewritten for every input.
const QString &scratchFile()
{
    static const QString shm = QStringLiteral("/dev/shm");
    static const QTemporaryDir dir(
        (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) +
        QStringLiteral("/tq540-fuzz-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("fuzz.ztb"));
    return path;
}

void writeFile(const std::uint8_t *data, std::size_t size)
{
    QFile file(scratchFile());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
}

// Open takes the file's bytes from address 0 on and zeros the rest of the
// image, whatever the image held before.
void checkLoaded(const EEPROMImage &image, const std::uint8_t *data, std::size_t count)
{
    static const EEPROMImage zeros{};
    const auto addresses = addressView(image);
    // Whole-block compares: a byte loop here would swamp the fuzzer's
    // comparison tracing.
    FUZZ_CHECK(std::memcmp(addresses.data(), data, count) == 0);
    FUZZ_CHECK(std::memcmp(addresses.data() + count, zeros.data(), addresses.size() - count) == 0);
}

// Decoding and encoding again gives back every bit the controls show.
void checkRoundTrip(const EEPROMImage &image)
{
    MemoryControls controls;
    EEPROM_DECODE(controls, image);
    static EEPROMImage again;
    again = image;
    EEPROM_ENCODE(controls, again);
    const int baud = image[layout::posBaud];
    FUZZ_CHECK(again[layout::posBaud] == (baud < baudRates().size() ? baud : baudFallbackIndex));
    FUZZ_CHECK(again[layout::posFlags] == (image[layout::posFlags] & layout::flagAlarmSystem));
    FUZZ_CHECK(again[layout::posDwell] == image[layout::posDwell]);
    const std::uint8_t inputBits = layout::inputGroupMask | layout::inputTypeBit |
                                   layout::inputLatchBit | layout::inputAlarmBit;
    for (int p = layout::posFirstInput; p <= layout::posLastInput; ++p)
        FUZZ_CHECK(again[p] == (image[p] & inputBits));
    const std::uint8_t outputBits = layout::outputPowerOnBit | layout::outputAlarmBit;
    for (int p = layout::posFirstOutput; p <= layout::posLastOutput; ++p)
        FUZZ_CHECK(again[p] == (image[p] & outputBits));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static EEPROMImage image; // 64 kB: kept off the stack
    image.fill(0xA5);
    writeFile(data, size);
    const std::int32_t count = configfile::load(scratchFile(), addressView(image));
    FUZZ_CHECK(count == std::int32_t(std::min<std::size_t>(size, imagePositions)));
    checkLoaded(image, data, std::size_t(count));
    checkRoundTrip(image);
    return 0;
}
