#include "tree_file_calculation.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <future>
#include <optional>
#include <thread>

#include "block_workers.h"
#include "csv_records.h"
#include "text_encoding.h"

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

std::size_t LinesOf(const CsvRecord& record) {
  return (record.lineBreak.empty() ? 0 : 1) + (record.quoted ? CountLineBreaks(record.text) : 0);
}

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

std::string AtLine(std::size_t linesBefore, const std::string& message) {
  return "line " + std::to_string(linesBefore + 1) + ": " + message;
}

// The file's bytes as UTF-8. A conversion error is raised on the call after
// the one that returned the text before it, so that the reader knows where
// it lies.
class DecodedInput {
 public:
  DecodedInput(const InputReader& read, const std::string& encoding) : read_(read), converter_(encoding, "UTF-8") {}

  std::size_t Read(char* buffer, std::size_t size) {
    while (offset_ == decoded_.size()) {
      if (failure_) std::rethrow_exception(failure_);
      if (ended_) return 0;
      Decode();
    }
    const std::size_t count = std::min(size, decoded_.size() - offset_);
    decoded_.copy(buffer, count, offset_);
    offset_ += count;
    return count;
  }

 private:
  void Decode() {
    char raw[1 << 16];
    const std::size_t got = read_(raw, sizeof raw);
    ended_ = got == 0;
    decoded_.clear();
    offset_ = 0;
    try {
      if (first_ && std::string_view(raw, got).starts_with(kUtf8ByteOrderMark)) {
        throw EncodingError("the input starts with UTF-8's byte order mark: it is UTF-8; leave out --encoding");
      }
      first_ = false;
      converter_.Convert(std::string_view(raw, got), decoded_, ended_);
    } catch (const EncodingError&) {
      failure_ = std::current_exception();
    }
  }

  const InputReader& read_;
  TextConverter converter_;
  std::string decoded_;
  std::size_t offset_ = 0;
  bool ended_ = false, first_ = true;
  std::exception_ptr failure_;
};

// UTF-8 text written in the file's encoding.
class EncodedOutput {
 public:
  EncodedOutput(const OutputWriter& write, const std::string& encoding)
      : write_(write), converter_("UTF-8", encoding), encoding_(encoding) {}

  void Write(std::string_view text, bool last = false) {
    std::string encoded;
    try {
      converter_.Convert(text, encoded, last);
    } catch (const EncodingError& e) {
      throw TreeFileError("cannot write the output in " + encoding_ + ": " + e.what());
    }
    write_(encoded);
  }

 private:
  const OutputWriter& write_;
  TextConverter converter_;
  std::string encoding_;
};

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
        job_ = MakeJob(header);
        headerLineBreak_ = header.lineBreak.empty() ? std::string_view("\n") : header.lineBreak;
        job_.lineBreak = headerLineBreak_;
        AppendHeader(out, header, job_);
        rest.erase(0, position);
        return;
      }
    }
    throw TreeFileError("the input is empty: it needs a header line naming its columns");
  }

  RowJob MakeJob(const CsvRecord& header) const {
    if (header.fields.size() > kMaxColumns) {
      throw TreeFileError(AtLine(lines_ - LinesOf(header), "the header has " + std::to_string(header.fields.size()) +
                                                               " columns; pdravlik-calc reads at most " + std::to_string(kMaxColumns)));
    }
    RowJob job{options_.calculation, options_.format, &options_.species, options_.strict, header.fields.size(), {}};
    try {
      job.columns = FindInputColumns(header, options_.calculation.quantity, options_.columns,
                                     options_.species.fixed.has_value(), options_.format.delimiter);
    } catch (const std::invalid_argument& e) {
      throw TreeFileError(e.what());
    }
    return job;
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
  if (options.encoding.empty() || IsUtf8Encoding(options.encoding)) return TreeFile(options, read, write).Run();
  DecodedInput decoded(read, options.encoding);
  EncodedOutput encoded(write, options.encoding);
  const InputReader decodedRead = [&](char* buffer, std::size_t size) { return decoded.Read(buffer, size); };
  const OutputWriter encodedWrite = [&](std::string_view text) { encoded.Write(text); };
  const TreeFileSummary summary = TreeFile(options, decodedRead, encodedWrite).Run();
  encoded.Write({}, true);
  return summary;
}

}  // namespace dravlik
