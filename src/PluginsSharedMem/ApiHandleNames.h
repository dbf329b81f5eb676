// The names a host draws for a new block: "KARVO_1.3_" + the decimal window
// handle + a decimal number from 0 to 65534, from a generator seeded once
// for each Create. A name already in use is drawn again, so one Create may
// draw several.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>

namespace karvo {

class ApiHandleNames {
 public:
  ApiHandleNames(std::uint32_t windowHandle, std::uint32_t seed);
  std::u16string Next();

  // The seed of a Create: from the performance counter (the tick count
  // where there is none) and the process id, or the test's seed.
  static std::uint32_t FreshSeed();
  // Tests seed the generator to know the names a host will draw; nullopt
  // goes back to fresh seeds.
  static void SeedForTests(std::optional<std::uint32_t> seed);

 private:
  std::u16string prefix_;
  std::minstd_rand gen_;
};

}  // namespace karvo
