#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, and a scratch
// file for the targets whose code under test reads a path rather than bytes.
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

// Writes the input to one scratch file of this process and returns its path.
std::string writeScratch(const uint8_t* data, size_t size, const char* suffix);

}  // namespace fuzz
