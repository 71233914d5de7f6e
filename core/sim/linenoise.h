#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Damage a noisy serial line does to a frame on its way (STX, body, ETX):
// random, but the same from run to run for the same generator.
namespace sim::linenoise {

// What a line picks up between frames: random bytes of any value, a frame cut
// short (STX without ETX) and a damaged frame (STX, random body, ETX).
std::vector<std::uint8_t> burst(std::mt19937 &random);

// Puts one to four random bytes of any value somewhere inside the body.
void insertGarbage(std::vector<std::uint8_t> &frame, std::mt19937 &random);

// Flips one bit that carries packet data (bit 7 of a body byte and the
// padding bits at its end carry none), so the frame cannot pass as it was.
void flipDataBit(std::vector<std::uint8_t> &frame, std::mt19937 &random);

} // namespace sim::linenoise
