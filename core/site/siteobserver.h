#pragma once

#include "busscan.h"
#include "sitefile.h"
#include "transferdriver.h"

#include <cstdint>

namespace site {

// Watches a site backup or restore on behalf of a front end: the scan, then
// device k of n and the stages of its transfers (the link record's Total and
// Done give the percentage), and whether to stop.
class SiteObserver : public busscan::ScanObserver, public TransferObserver
{
public:
    // Device k (counted from 1) of n begins.
    virtual void deviceBegins(int /*k*/, int /*n*/, const DeviceEntry & /*device*/) {}
    // It is done with: `result` 0 when it went well, else what stopped it.
    virtual void deviceEnds(const DeviceEntry & /*device*/, std::int32_t /*result*/) {}
    // Asked between devices: true ends the run there. A device is never left
    // halfway: the one being read or written is finished first.
    virtual bool stopRequested() { return false; }
};

} // namespace site
