// A per-thread memo of anchored growth curves by coefficient row and site index.
//
// The diameter model evaluates the same curves many times (the site-index
// inversion probes the same site indices for every age of a stand); the part of
// a curve that does not depend on the age is computed once per thread. The memo
// returns exactly what the computation returns: a computation that raises an
// error is not remembered and raises again next time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "exact_memo.h"
#include "growth_curve.h"

namespace vzorce {

class CurveCache {
 public:
  template <class Compute>
  const AnchoredCurve& Get(int row, double siteIndex, Compute compute) {
    const Key key{row, std::bit_cast<std::uint64_t>(siteIndex)};
    if (const auto found = entries_.find(key); found != entries_.end()) return found->second;
    const AnchoredCurve curve = compute();
    if (entries_.size() >= kCapacity) entries_.clear();
    return entries_.emplace(key, curve).first->second;
  }

  std::size_t Clear() {
    const std::size_t count = entries_.size();
    entries_.clear();
    return count;
  }

 private:
  static constexpr std::size_t kCapacity = 1 << 14;

  struct Key {
    int row;
    std::uint64_t siteIndexBits;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const { return std::hash<std::uint64_t>()(k.siteIndexBits * 31 + k.row); }
  };
  std::unordered_map<Key, AnchoredCurve, KeyHash> entries_;
};

// This thread's memos of the height curves (by species) and of the diameter
// curves (by diameter group).
CurveCache& HeightCurves();
CurveCache& DiameterCurves();

// This thread's memo of the height curves' values by species, age and site
// index: the site-index inversion probes the same site indices at the same age
// for stand after stand.
using CurveValueMemo = ExactMemo<double, 13, 2>;
CurveValueMemo& HeightCurveValues();

// Empties all three; returns how many curves and values they held.
std::size_t ClearCurveCaches();

}  // namespace vzorce
