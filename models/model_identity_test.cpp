// Every result of the models, bit for bit, folded into one digest per input
// set: the inputs of both tables and a few hundred thousand random inputs of
// each model, in and beyond its domain. A change meant to make a model faster
// must leave every digest as it is; each digest also folds the kind of error
// an input raises and the outputs written before it.
//
// The expected digests were printed by this test built against the models of
// commit d9e4c2f, before any of them was tuned for speed. Run
// `vzorce_tests --gtest_filter='ModelIdentity*'` to see the digests of the
// code as it is: every test prints the ones it computed.
#include <gtest/gtest.h>

#include <bit>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <stdexcept>
#include <thread>

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "species.h"
#include "volume.h"

namespace vzorce {
namespace {

constexpr std::uint64_t kSiteClassTableDigest = 0x4E63650F1EF94D30;
constexpr std::uint64_t kHeightDiameterTableDigest = 0xE703695A7A1FD751;
constexpr std::uint64_t kRandomHeightDigest = 0xD7CEC9C6BCB8FE25;
constexpr std::uint64_t kRandomDiameterDigest = 0xC4485FD3D1FD077F;
constexpr std::uint64_t kRandomVolumeDigest = 0x510A916AD734F59B;

constexpr int kRandomInputs = 300000;

// 64-bit FNV-1a over the bytes of each word folded in.
class Digest {
 public:
  void Fold(std::uint64_t word) {
    for (int byte = 0; byte < 8; ++byte, word >>= 8) {
      value_ ^= word & 0xFF;
      value_ *= 0x100000001B3ull;
    }
  }
  void Fold(double x) { Fold(std::bit_cast<std::uint64_t>(x)); }
  std::uint64_t Value() const { return value_; }

 private:
  std::uint64_t value_ = 0xCBF29CE484222325ull;
};

// Folds what a call returned or the kind of error it raised.
template <class Call>
void FoldOutcome(Digest& digest, Call call) {
  std::uint64_t raised = 0;
  try {
    call();
  } catch (const DivisionByZeroError&) {
    raised = 1;
  } catch (const InvalidOperationError&) {
    raised = 2;
  } catch (const OverflowError&) {
    raised = 3;
  } catch (const std::out_of_range&) {
    raised = 4;
  }
  digest.Fold(std::uint64_t{0xE7707000} + raised);
}

void FoldHeight(Digest& digest, SpeciesIndex species, double age, double siteIndex) {
  FoldOutcome(digest, [&] { digest.Fold(HeightBySiteIndex(species, age, siteIndex)); });
}

void FoldDiameter(Digest& digest, SpeciesIndex species, double age, double height) {
  FoldOutcome(digest, [&] { digest.Fold(Diameter(species, age, height)); });
}

// The outputs start from values the model must either overwrite or keep, and
// are folded whether or not the call raised.
void FoldVolume(Digest& digest, SpeciesIndex species, double diameter, double height) {
  double v1 = -1.25, v2 = 2.5, v3 = -3.75, v4 = 5;
  FoldOutcome(digest, [&] { Volume(species, diameter, height, v1, v2, v3, v4); });
  for (double v : {v1, v2, v3, v4}) digest.Fold(v);
}

std::uint64_t SiteClassTableDigest() {
  Digest digest;
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    const SiteIndexRange range = SiteIndexRangeOf(s);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = 15; age <= MaximumAge(s); age += 5) {
        const double height = HeightBySiteIndex(s, age, siteIndex);
        const double diameter = Diameter(s, age, height);
        digest.Fold(height);
        digest.Fold(diameter);
        FoldVolume(digest, s, diameter, height);
      }
    }
  }
  return digest.Value();
}

// Every row, also those the table leaves without a volume.
std::uint64_t HeightDiameterTableDigest() {
  Digest digest;
  for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
    for (int height = 7; height <= 40; ++height) {
      for (int diameter = 7; diameter <= 80; ++diameter) FoldVolume(digest, s, diameter, height);
    }
  }
  return digest.Value();
}

// Inputs fixed by the standard: mt19937_64's raw output is specified, and the
// doubles are made from it by exact arithmetic (unlike the distributions).
class Inputs {
 public:
  explicit Inputs(std::uint64_t seed) : engine_(seed) {}

  std::uint64_t Below(std::uint64_t n) { return engine_() % n; }
  SpeciesIndex ModelledSpecies() { return static_cast<SpeciesIndex>(Below(kModelledSpeciesCount)); }

  // Half real, half to one decimal as measurements are written, in [low, high].
  double Measurement(double low, double high) {
    if (Below(2) == 0) return low + static_cast<double>(engine_() >> 11) * 0x1p-53 * (high - low);
    return low + static_cast<double>(Below(static_cast<std::uint64_t>((high - low) * 10) + 1)) / 10;
  }
  // Half whole years, half real.
  double Age(double high) {
    return Below(2) == 0 ? static_cast<double>(Below(static_cast<std::uint64_t>(high) + 1)) : Measurement(0, high);
  }
  double SiteIndex(SpeciesIndex species) {
    const SiteIndexRange range = SiteIndexRangeOf(species);
    return Measurement(range.lowest - 2, range.highest + 2);
  }

 private:
  std::mt19937_64 engine_;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kOutsideValues[] = {kNaN, -kInf, -1e300, -1, -0.0, 0, 1e-310, 0.5, 5.999999999999999, 6,
                                     12.49999, 39.5, 1e9, 1e300, kInf};
constexpr SpeciesIndex kOutsideSpecies[] = {0, 1, 4, 7, 10, 12, 13, 14, 200};

std::uint64_t RandomHeightDigest() {
  Digest digest;
  Inputs in(1);
  for (int i = 0; i < kRandomInputs; ++i) {
    const SpeciesIndex s = in.ModelledSpecies();
    FoldHeight(digest, s, in.Age(200), in.SiteIndex(s));
  }
  for (SpeciesIndex s : kOutsideSpecies) {
    for (double age : kOutsideValues) {
      for (double siteIndex : kOutsideValues) FoldHeight(digest, s, age, siteIndex);
      FoldHeight(digest, s, age, 24);
      FoldHeight(digest, s, 50, age);
    }
  }
  return digest.Value();
}

std::uint64_t RandomDiameterDigest() {
  Digest digest;
  Inputs in(2);
  for (int i = 0; i < kRandomInputs; ++i) {
    const SpeciesIndex s = in.ModelledSpecies();
    FoldDiameter(digest, s, in.Age(200), in.Measurement(0, 60));
  }
  for (SpeciesIndex s : kOutsideSpecies) {
    for (double age : kOutsideValues) {
      for (double height : kOutsideValues) FoldDiameter(digest, s, age, height);
      FoldDiameter(digest, s, age, 20);
      FoldDiameter(digest, s, 60, age);
    }
  }
  return digest.Value();
}

std::uint64_t RandomVolumeDigest() {
  Digest digest;
  Inputs in(3);
  for (int i = 0; i < kRandomInputs; ++i) {
    const SpeciesIndex s = in.ModelledSpecies();
    const double diameter = in.Measurement(0, 120);
    FoldVolume(digest, s, diameter, in.Measurement(0, 60));
  }
  for (SpeciesIndex s : kOutsideSpecies) {
    for (double diameter : kOutsideValues) {
      for (double height : kOutsideValues) FoldVolume(digest, s, diameter, height);
      FoldVolume(digest, s, diameter, 20);
      FoldVolume(digest, s, 30, diameter);
    }
  }
  return digest.Value();
}

void ExpectDigest(const char* name, std::uint64_t expected, std::uint64_t actual) {
  std::printf("digest %-20s 0x%016" PRIX64 "\n", name, actual);
  EXPECT_EQ(expected, actual) << name << ": some result differs from the models before tuning";
}

TEST(ModelIdentity, TablesInputsGiveTheSameBits) {
  ExpectDigest("site-class table", kSiteClassTableDigest, SiteClassTableDigest());
  ExpectDigest("height-diameter table", kHeightDiameterTableDigest, HeightDiameterTableDigest());
}

TEST(ModelIdentity, RandomHeightInputsGiveTheSameBits) {
  ExpectDigest("random height", kRandomHeightDigest, RandomHeightDigest());
}

TEST(ModelIdentity, RandomDiameterInputsGiveTheSameBits) {
  ExpectDigest("random diameter", kRandomDiameterDigest, RandomDiameterDigest());
}

TEST(ModelIdentity, RandomVolumeInputsGiveTheSameBits) {
  ExpectDigest("random volume", kRandomVolumeDigest, RandomVolumeDigest());
}

// The per-thread memos must not let one thread's calls change another's results.
TEST(ModelIdentity, ThreadsAtOnceGiveTheSameBits) {
  std::uint64_t siteClass[2] = {}, heightDiameter[2] = {};
  {
    std::jthread first([&] { siteClass[0] = SiteClassTableDigest(), heightDiameter[0] = HeightDiameterTableDigest(); });
    std::jthread second([&] { heightDiameter[1] = HeightDiameterTableDigest(), siteClass[1] = SiteClassTableDigest(); });
  }
  for (int thread = 0; thread < 2; ++thread) {
    EXPECT_EQ(siteClass[thread], kSiteClassTableDigest) << "thread " << thread;
    EXPECT_EQ(heightDiameter[thread], kHeightDiameterTableDigest) << "thread " << thread;
  }
}

}  // namespace
}  // namespace vzorce
