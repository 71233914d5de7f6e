#pragma once

#include <memory>

namespace sim {
class Device;
}

namespace simulation {

// Puts the simulated TQ540-2 behind every COM port number for the rest of the
// run, so the tool can be tried without hardware. The device keeps its EEPROM
// from one transfer to the next.
void start(std::shared_ptr<sim::Device> device);

} // namespace simulation
