#include "confirmedupload.h"

#include "transfertext.h"

#include <memory>

namespace site {

using tqimage::layout::transferStart, tqimage::layout::transferStop;

m::tLink addressedLink(std::int16_t port, std::int32_t address, qint64 baud)
{
    m::tLink link;
    link.Port = port;
    link.TargetID = address;
    link.DCBString = m::modeString(std::int32_t(baud));
    link.Settings = m::shortForm(std::int32_t(baud));
    return link;
}

std::int32_t configuredSpeed(const tqimage::EEPROMImage &image)
{
    const QStringList &rates = tqimage::baudRates();
    const int code = image[tqimage::layout::posBaud];
    return rates[code < rates.size() ? code : tqimage::baudFallbackIndex].toInt();
}

QString resultText(const UploadCheck &check)
{
    if (check.result == m::LINK_OK)
        return transfertext::outcomeText(m::LINK_UPLOAD_DONE);
    const QString outcome = transfertext::outcomeText(check.result);
    if (check.result != m::LINK_VERIFY_FAILED || !check.mismatch)
        return outcome;
    return outcome + u' ' + transfertext::mismatchText(*check.mismatch);
}

UploadCheck uploadConfirmed(m::tLink &link, std::int32_t address, qint64 speedNow,
                            tqimage::EEPROMImage &image, TransferObserver &observer)
{
    const std::int16_t port = link.Port;
    UploadCheck check;
    link = addressedLink(port, address, speedNow);
    TransferDriver upload(link, image, observer, TransferOptions{true});
    check.result = upload.run(TransferKind::Upload, transferStart, transferStop);
    check.mismatch = upload.mismatch();
    if (link.SpeedFound == m::LINK_TRUE)
        check.found = m::summarize(link);
    if (check.result != m::LINK_UPLOAD_DONE)
        return check;

    auto readBack = std::make_unique<tqimage::EEPROMImage>();
    link = addressedLink(port, address, configuredSpeed(image));
    check.result = TransferDriver(link, *readBack, observer)
                       .run(TransferKind::Download, transferStart, transferStop);
    if (link.SpeedFound == m::LINK_TRUE)
        check.found = m::summarize(link);
    if (check.result != m::LINK_DOWNLOAD_DONE)
        return check;
    const auto range = [](const tqimage::EEPROMImage &bytes) {
        return std::span(bytes).subspan(transferStart, transferStop - transferStart + 1);
    };
    check.mismatch = firstDifference(range(image), range(*readBack), transferStart - 1);
    check.result = check.mismatch ? m::LINK_VERIFY_FAILED : m::LINK_OK;
    return check;
}

} // namespace site
