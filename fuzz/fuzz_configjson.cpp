// Arbitrary JSON through the reader of tq540ctl encode, then encoded into an
// image as the command does.

#include "codec.h"
#include "configjson.h"
#include "fuzzcheck.h"
#include "memorycontrols.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

using namespace tqimage;

bool same(const MemoryControls &a, const MemoryControls &b)
{
    return a.inputs == b.inputs && a.outputs == b.outputs && a.timeout == b.timeout &&
           a.alarmSystem == b.alarmSystem && a.baudIndex == b.baudIndex;
}

// Controls no JSON document can produce, to see that a refused one leaves
// them alone.
MemoryControls untouchable()
{
    MemoryControls controls;
    controls.inputs[0][0] = QStringLiteral("untouched");
    controls.timeout = QStringLiteral("untouched");
    controls.alarmSystem = 7;
    controls.baudIndex = 99;
    return controls;
}

// What the writer makes of accepted controls reads back the same.
void checkJsonRoundTrip(const MemoryControls &controls)
{
    MemoryControls again;
    QString error;
    FUZZ_CHECK(configjson::read(configjson::write(controls), again, error));
    FUZZ_CHECK(same(again, controls));
}

// Encoding, decoding and encoding again gives the same image.
void checkImageRoundTrip(MemoryControls controls)
{
    static EEPROMImage image, again;
    image.fill(0);
    again.fill(0);
    EEPROM_ENCODE(controls, image);
    MemoryControls decoded;
    EEPROM_DECODE(decoded, image);
    EEPROM_ENCODE(decoded, again);
    FUZZ_CHECK(image == again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    MemoryControls controls = untouchable();
    QString error;
    if (!configjson::read(json, controls, error)) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(same(controls, untouchable()));
        return 0;
    }
    FUZZ_CHECK(error.isEmpty());
    checkJsonRoundTrip(controls);
    checkImageRoundTrip(controls);
    return 0;
}
