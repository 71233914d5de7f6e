#include "configfile.h"

#include "apifilefunction.h"

#include <algorithm>
#include <vector>

namespace configfile {

std::int32_t storedLength(std::span<const std::uint8_t> image)
{
    if (image.empty())
        return 0;
    const auto lastNonZero =
        std::find_if(image.rbegin(), image.rend(), [](std::uint8_t byte) { return byte != 0; });
    const auto length = static_cast<std::int32_t>(image.rend() - lastNonZero);
    return std::clamp<std::int32_t>(length, 1, static_cast<std::int32_t>(image.size()));
}

std::int32_t load(const QString &path, std::span<std::uint8_t> image)
{
    // A work array, so a failed read leaves the image as it was.
    std::vector<std::uint8_t> work(image.size());
    const std::int32_t count = API_FileFunction::FileReadAll(path, work);
    if (count < 0)
        return count;
    // Bytes the file leaves out are zeros, not what the previous image held.
    std::fill(image.begin(), image.end(), std::uint8_t{0});
    std::copy_n(work.begin(), count, image.begin());
    return count;
}

std::int32_t save(const QString &path, std::span<const std::uint8_t> image)
{
    if (image.empty())
        return API_FileFunction::fileFailed;
    return API_FileFunction::FileWriteAll(path, image.first(storedLength(image)));
}

} // namespace configfile
