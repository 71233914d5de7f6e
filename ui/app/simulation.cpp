#include "simulation.h"

#include "mcomm.h"
#include "simport.h"

namespace simulation {

void start(std::shared_ptr<sim::Device> device)
{
    mComm::setPortFactory(sim::portFactory(std::move(device), sim::Route::EveryPort));
}

} // namespace simulation
