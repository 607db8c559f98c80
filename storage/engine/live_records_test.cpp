#include "live_records.h"

#include <gtest/gtest.h>

#include <random>

namespace dbfe {
namespace {

TEST(LiveRecords, AgreesWithCountingWhateverIsDeleted) {
  std::mt19937 random(3);
  for (int round = 0; round < 50; ++round) {
    const std::uint32_t total = 1 + random() % 300;
    std::vector<std::uint8_t> flags(total, ' ');
    for (auto& flag : flags) {
      if (random() % 3 == 0) flag = '*';
    }
    LiveRecords live;
    live.Extend(std::vector<std::uint8_t>(flags.begin(), flags.begin() + total / 2));
    live.Extend(std::vector<std::uint8_t>(flags.begin() + total / 2, flags.end()));
    for (int d = 0; d < 5; ++d) {
      const std::uint32_t record = random() % total;
      flags[record] = '*';
      live.MarkDeleted(record);
    }
    std::uint32_t seq_no = 0;
    for (std::uint32_t record = 0; record < total; ++record) {
      EXPECT_EQ(live.IsDeleted(record), flags[record] == '*');
      if (flags[record] == '*') continue;
      ++seq_no;
      EXPECT_EQ(live.SeqNoOf(record), seq_no);
      EXPECT_EQ(live.RecordOf(seq_no), record);
    }
    EXPECT_EQ(live.live_count(), seq_no);
  }
}

}  // namespace
}  // namespace dbfe
