#include "simulation.h"

#include "mcomm.h"
#include "simdevice.h"
#include "simport.h"

namespace simulation {

std::shared_ptr<sim::Device> start()
{
    auto device = std::make_shared<sim::Device>();
    mComm::setPortFactory(sim::portFactory(device, sim::Route::EveryPort));
    return device;
}

} // namespace simulation
