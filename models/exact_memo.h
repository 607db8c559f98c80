// A per-thread memo of a computation that depends on a small index (a species)
// and one or two doubles, keyed by the doubles' exact bits: it returns exactly
// what the computation returned. A computation that raises is not remembered;
// one must not use the memo it is remembered in. Each slot holds one key; a new
// key takes the slot of the old one, so the memo never grows beyond its slots.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vzorce {

template <class Value, int SlotBits, std::size_t Arity = 1>
class ExactMemo {
 public:
  using Bits = std::array<std::uint64_t, Arity>;

  // The reference stays valid until the next call of Get or Clear.
  template <class Compute>
  const Value& Get(unsigned index, double x, Compute compute)
    requires(Arity == 1)
  {
    return Find(index, Bits{std::bit_cast<std::uint64_t>(x)}, compute);
  }
  template <class Compute>
  const Value& Get(unsigned index, double x, double y, Compute compute)
    requires(Arity == 2)
  {
    return Find(index, Bits{std::bit_cast<std::uint64_t>(x), std::bit_cast<std::uint64_t>(y)}, compute);
  }

  // Returns how many slots were filled.
  std::size_t Clear() {
    if (!slots_) return 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < kSlots; ++i) count += slots_[i].filled ? 1 : 0;
    slots_.reset();
    return count;
  }

 private:
  static constexpr std::size_t kSlots = std::size_t{1} << SlotBits;

  struct Slot {
    Bits bits{};
    unsigned index = 0;
    bool filled = false;
    Value value{};
  };

  static std::size_t SlotOf(unsigned index, const Bits& bits) {
    std::uint64_t hash = std::uint64_t{index} << 56;
    for (std::uint64_t word : bits) hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(hash >> (64 - SlotBits));
  }

  template <class Compute>
  const Value& Find(unsigned index, const Bits& bits, Compute compute) {
    if (!slots_) slots_ = std::make_unique<Slot[]>(kSlots);
    Slot& slot = slots_[SlotOf(index, bits)];
    if (slot.filled && slot.bits == bits && slot.index == index) return slot.value;
    slot.filled = false;
    slot.value = compute();
    slot.bits = bits;
    slot.index = index;
    slot.filled = true;
    return slot.value;
  }

  std::unique_ptr<Slot[]> slots_;
};

}  // namespace vzorce
