#include "siteconsole.h"

#include "scanrange.h"

namespace tq540ctl {

void SiteConsole::probing(std::int32_t baud, int id)
{
    console.showText(scanProgressText(baud, id, count));
}

void SiteConsole::stageChanged(TransferStage stage, bool cancellable)
{
    console.stageChanged(stage, cancellable);
}

void SiteConsole::deviceBegins(int k, int n, const site::DeviceEntry &device)
{
    console.stopBetweenDevices();
    console.setPrefix(QStringLiteral("Device %1 of %2 (serial number %3): ")
                          .arg(k)
                          .arg(n)
                          .arg(device.serialNumber));
}

} // namespace tq540ctl
