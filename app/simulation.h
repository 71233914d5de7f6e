#pragma once

#include <memory>

namespace sim {
class Device;
}

namespace simulation {

// Puts one simulated TQ540-2, in its default configuration, behind every COM
// port number for the rest of the run, so the tool can be tried without
// hardware. The device keeps its EEPROM from one transfer to the next.
std::shared_ptr<sim::Device> start();

} // namespace simulation
