#pragma once

#include "siteobserver.h"
#include "transferconsole.h"

namespace tq540ctl {

// A site backup or restore on the console: the scan's progress as scan shows
// it, then device k of n with its stage and percentage. A signal cancels the
// scan; once the devices' turn has come it stops the run after the device at
// hand, which is always finished.
class SiteConsole : public site::SiteObserver
{
public:
    void probing(std::int32_t baud, int id) override;
    void found(const busscan::FoundDevice &) override { ++count; }
    void stageChanged(TransferStage stage, bool cancellable) override;
    void deviceBegins(int k, int n, const site::DeviceEntry &device) override;
    bool stopRequested() override { return console.stopAsked(); }

private:
    TransferConsole console;
    int count = 0;
};

} // namespace tq540ctl
