// Test support: the seed of a randomised test. PDRAVLIK_TEST_SEED replays a
// failure; without it each run takes a fresh seed, and every failure of the
// test names the seed it ran with.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace dravlik::testing {

class TestSeed {
 public:
  TestSeed()
      : value_(Chosen()),
        trace_(__FILE__, __LINE__, "seed " + std::to_string(value_) + "; replay with PDRAVLIK_TEST_SEED=" +
                                       std::to_string(value_)) {}
  std::uint32_t value() const { return value_; }

 private:
  static std::uint32_t Chosen() {
    if (const char* given = std::getenv("PDRAVLIK_TEST_SEED")) {
      return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
    }
    return std::random_device{}();
  }

  std::uint32_t value_;
  ::testing::ScopedTrace trace_;
};

}  // namespace dravlik::testing
