#include "tree_file_calculation.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <future>
#include <optional>
#include <thread>

#include "block_workers.h"
#include "csv_records.h"
#include "encoded_streams.h"
#include "text_encoding.h"
#include "tree_scan.h"

namespace dravlik {
namespace {

// Large enough that handing a block to a thread costs nothing next to it.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

struct BlockResult {
  std::string out;
  TreeFileSummary summary;
  std::size_t lines = 0;               // up to the failure, where there is one
  std::optional<std::string> failure;  // a record too long to read
};

void Accumulate(TreeFileSummary& total, const TreeFileSummary& part) {
  total.rowsRead += part.rowsRead;
  total.rowsComputed += part.rowsComputed;
  total.rowsWarned += part.rowsWarned;
}

BlockResult CalculateBlock(std::string_view block, const RowJob& job) {
  BlockResult result;
  result.out.reserve(block.size() + block.size() / 2);
  CsvRecord row;
  for (std::size_t position = 0; position < block.size();) {
    position = ReadRecord(block, position, job.format.delimiter, row);
    if (row.text.size() > kMaxRecordBytes) {
      result.failure = kRecordTooLong;
      return result;
    }
    result.lines += LinesOf(row);
    if (IsBlank(row)) continue;
    const RowOutcome outcome = AppendRow(result.out, row, job);
    ++result.summary.rowsRead;
    result.summary.rowsComputed += outcome.computed;
    result.summary.rowsWarned += outcome.warned;
  }
  return result;
}

}  // namespace

RowJob MakeRowJob(const TreeFileOptions& options, const CsvRecord& header, std::size_t linesBefore) {
  if (header.fields.size() > kMaxColumns) {
    throw TreeFileError(AtLine(linesBefore, "the header has " + std::to_string(header.fields.size()) +
                                                " columns; pdravlik-calc reads at most " + std::to_string(kMaxColumns)));
  }
  RowJob job{options.calculation, options.format, &options.species, options.strict, header.fields.size(), {}};
  try {
    job.columns = FindInputColumns(header, options.calculation.quantity, options.columns,
                                   options.species.fixed.has_value(), options.format.delimiter);
  } catch (const std::invalid_argument& e) {
    throw TreeFileError(e.what());
  }
  job.heightsMayBeMissing = options.filling != nullptr;
  job.filling = options.filling;
  return job;
}

namespace {

class TreeFile {
 public:
  TreeFile(const TreeFileOptions& options, const InputReader& read, const OutputWriter& write)
      : options_(options), reader_(read, options.format.delimiter), write_(write) {}

  TreeFileSummary Run() {
    std::string block, headerOut;
    try {
      ReadHeader(block, headerOut);
      write_(headerOut);
      Finish(CalculateBlock(block, job_));
      while (reader_.Next(block, kBlockSize)) Submit(std::move(block));
    } catch (const CsvInputError& e) {
      while (!running_.empty()) FinishOldest();
      throw TreeFileError(AtLine(lines_ + e.LinesBefore(), e.what()));
    }
    while (!running_.empty()) FinishOldest();
    return total_;
  }

 private:
  // The header, the first record that is not blank; `rest` gets the records
  // after it in its block.
  void ReadHeader(std::string& rest, std::string& out) {
    CsvRecord header;
    while (reader_.Next(rest, 1)) {
      for (std::size_t position = 0; position < rest.size();) {
        position = ReadRecord(rest, position, options_.format.delimiter, header);
        lines_ += LinesOf(header);
        if (IsBlank(header)) continue;
        job_ = MakeRowJob(options_, header, lines_ - LinesOf(header));
        headerLineBreak_ = header.lineBreak.empty() ? std::string_view("\n") : header.lineBreak;
        job_.lineBreak = headerLineBreak_;
        AppendHeader(out, header, job_);
        rest.erase(0, position);
        return;
      }
    }
    throw TreeFileError("the input is empty: it needs a header line naming its columns");
  }

  void Submit(std::string input) {
    if (!workers_) workers_.emplace(cores_);
    running_.push_back(workers_->Submit(std::packaged_task<BlockResult()>(
        [this, input = std::move(input)] { return CalculateBlock(input, job_); })));
    // A few blocks per core keep every core busy while bounding memory.
    if (running_.size() >= 2 * cores_) FinishOldest();
  }

  void FinishOldest() {
    const BlockResult result = running_.front().get();
    running_.pop_front();
    Finish(result);
  }

  void Finish(const BlockResult& result) {
    write_(result.out);
    Accumulate(total_, result.summary);
    if (result.failure) throw TreeFileError(AtLine(lines_ + result.lines, *result.failure));
    lines_ += result.lines;
  }

  const TreeFileOptions& options_;
  CsvBlockReader reader_;
  const OutputWriter& write_;
  RowJob job_;
  std::string headerLineBreak_;  // the header's block does not last
  std::size_t lines_ = 0;  // line breaks of the input before the next block
  TreeFileSummary total_;
  const unsigned cores_ = std::max(1u, std::thread::hardware_concurrency());
  std::deque<std::future<BlockResult>> running_;
  std::optional<BlockWorkers<BlockResult>> workers_;  // last: joined before the rest goes
};

}  // namespace

TreeFileSummary CalculateTreeFile(const TreeFileOptions& options, const InputReader& read,
                                  const OutputWriter& write) {
  return InFileEncoding<TreeFileSummary>(
      options.encoding, read, write,
      [&](const InputReader& utf8Read, const OutputWriter& utf8Write) { return TreeFile(options, utf8Read, utf8Write).Run(); });
}

}  // namespace dravlik
