#include "tree_file_calculation.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

#include "blanks.h"
#include "csv_records.h"
#include "letter_case.h"
#include "number_text.h"
#include "numeric.h"
#include "species_catalogue.h"

namespace dravlik {
namespace {

// Large enough that starting a thread per block costs nothing next to it.
constexpr std::size_t kBlockSize = 1 << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct RowJob {
  Calculation calculation;
  CsvFormat format;
  std::array<std::size_t, 3> columns{};  // species and the two numbers
  std::array<std::string, 3> names;      // as the header has them
};

RowJob ResolveColumns(const CsvRecord& header, const TreeFileOptions& options) {
  RowJob job{options.calculation, options.format, {}, {}};
  const auto inputs = InputNames(options.calculation.quantity);
  for (std::size_t input = 0; input < inputs.size(); ++input) {
    const auto mapped = options.columns.find(std::string(inputs[input]));
    const std::string_view wanted = mapped != options.columns.end() ? std::string_view(mapped->second) : inputs[input];
    std::size_t column = 0;
    while (column < header.fields.size()) {
      std::string_view name = WithoutBlanks(header.fields[column]);
      if (column == 0 && name.starts_with(kByteOrderMark)) name.remove_prefix(kByteOrderMark.size());
      if (SameTextIgnoringCase(name, wanted)) break;
      ++column;
    }
    if (column == header.fields.size()) {
      throw TreeFileError("the input has no column \"" + std::string(wanted) + "\" (" + std::string(inputs[input]) +
                          ")");
    }
    job.columns[input] = column;
    job.names[input] = std::string(wanted);
  }
  return job;
}

void AppendHeader(std::string& out, const CsvRecord& header, const RowJob& job) {
  out.append(header.text);
  for (std::string_view name : ResultNames(job.calculation)) out.append(1, job.format.delimiter).append(name);
  out.append(1, job.format.delimiter).append("error");
  out.append(header.lineBreak.empty() ? std::string_view("\n") : header.lineBreak);
}

// The row's inputs, or the message that says why it has none.
std::optional<std::string> ReadInputs(const CsvRecord& row, const RowJob& job, vzorce::SpeciesIndex& species,
                                      double (&numbers)[2]) {
  std::string_view values[3];
  for (int input = 0; input < 3; ++input) {
    const std::size_t column = job.columns[input];
    values[input] = column < row.fields.size() ? WithoutBlanks(row.fields[column]) : std::string_view();
    if (values[input].empty()) return "No value in " + job.names[input];
  }
  const auto parsed = ParseSpecies(values[0]);
  if (!parsed) return "Unknown species: " + std::string(values[0]);
  species = *parsed;
  for (int i = 0; i < 2; ++i) {
    const auto number = ParseNumber(values[i + 1], job.format.decimalComma);
    if (!number) return "Not a number in " + job.names[i + 1] + ": " + std::string(values[i + 1]);
    numbers[i] = *number;
  }
  return std::nullopt;
}

// Appends the row with its results; true when it has them.
bool CalculateRow(const CsvRecord& row, const RowJob& job, std::string& out) {
  vzorce::SpeciesIndex species = 0;
  double numbers[2] = {0, 0};
  double results[4] = {0, 0, 0, 0};
  const std::size_t resultCount = ResultNames(job.calculation).size();
  std::optional<std::string> error = ReadInputs(row, job, species, numbers);
  if (!error) {
    try {
      Calculate(job.calculation, species, numbers[0], numbers[1], results);
    } catch (const vzorce::FloatingPointError& e) {
      error = e.what();
    }
  }
  const char delimiter = job.format.delimiter;
  out.append(row.text);
  for (std::size_t i = 0; i < resultCount; ++i) {
    out += delimiter;
    if (error) continue;
    const std::size_t start = out.size();
    AppendNumber(out, results[i], job.format.decimalComma);
    if (job.format.decimalComma && delimiter == ',') out.insert(start, 1, '"').append(1, '"');
  }
  out += delimiter;
  if (error) AppendField(out, *error, delimiter);
  out.append(row.lineBreak.empty() ? std::string_view("\n") : row.lineBreak);
  return !error;
}

bool IsBlank(const CsvRecord& record) { return record.text.empty(); }

struct BlockResult {
  std::string out;
  TreeFileSummary summary;
};

BlockResult CalculateBlock(std::string_view block, const RowJob& job) {
  BlockResult result;
  result.out.reserve(block.size() + block.size() / 2);
  CsvRecord row;
  for (std::size_t position = 0; position < block.size();) {
    position = ReadRecord(block, position, job.format.delimiter, row);
    if (IsBlank(row)) continue;
    ++result.summary.rowsRead;
    result.summary.rowsComputed += CalculateRow(row, job, result.out);
  }
  return result;
}

// The input in blocks of whole records.
class BlockReader {
 public:
  explicit BlockReader(const InputReader& read) : read_(read) {}

  // The next block, at least `size` bytes unless the input ends first; false
  // when nothing is left.
  bool Next(std::string& block, std::size_t size) {
    while (!ended_ && pending_.size() < size) Fill();
    std::size_t end = ended_ ? pending_.size() : EndOfWholeRecords(pending_);
    while (end == 0 && !ended_) {  // one record longer than a block
      Fill();
      end = ended_ ? pending_.size() : EndOfWholeRecords(pending_);
    }
    if (end == 0) return false;
    block.assign(pending_, 0, end);
    pending_.erase(0, end);
    return true;
  }

 private:
  void Fill() {
    const std::size_t had = pending_.size();
    pending_.resize(had + kBlockSize);
    const std::size_t got = read_(pending_.data() + had, kBlockSize);
    pending_.resize(had + got);
    ended_ = got == 0;
  }

  const InputReader& read_;
  std::string pending_;
  bool ended_ = false;
};

// The header: the first record that is not blank.
RowJob ReadHeader(BlockReader& reader, const TreeFileOptions& options, std::string& rest, std::string& headerOut) {
  CsvRecord header;
  while (reader.Next(rest, 1)) {
    std::size_t position = 0;
    while (position < rest.size()) {
      position = ReadRecord(rest, position, options.format.delimiter, header);
      if (IsBlank(header)) continue;
      RowJob job = ResolveColumns(header, options);
      AppendHeader(headerOut, header, job);
      rest.erase(0, position);
      return job;
    }
  }
  throw TreeFileError("the input is empty: it needs a header line naming its columns");
}

// Threads that live for the whole file, so that what the models remember per
// thread serves every block a thread computes.
class BlockWorkers {
 public:
  explicit BlockWorkers(unsigned count) {
    for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~BlockWorkers() {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    ready_.notify_all();
  }

  std::future<BlockResult> Submit(std::packaged_task<BlockResult()> task) {
    std::future<BlockResult> result = task.get_future();
    {
      const std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
    return result;
  }

 private:
  void Work() {
    while (true) {
      std::packaged_task<BlockResult()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::packaged_task<BlockResult()>> tasks_;
  bool closing_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

void Accumulate(TreeFileSummary& total, const TreeFileSummary& part) {
  total.rowsRead += part.rowsRead;
  total.rowsComputed += part.rowsComputed;
}

}  // namespace

TreeFileSummary CalculateTreeFile(const TreeFileOptions& options, const InputReader& read,
                                  const OutputWriter& write) {
  BlockReader reader(read);
  std::string block, headerOut;
  const RowJob job = ReadHeader(reader, options, block, headerOut);
  write(headerOut);
  TreeFileSummary total;
  const BlockResult first = CalculateBlock(block, job);
  write(first.out);
  Accumulate(total, first.summary);
  // Blocks in flight, oldest first; a few per core keep every core busy while
  // bounding the memory held.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t inFlight = 2 * cores;
  std::optional<BlockWorkers> workers;
  std::deque<std::future<BlockResult>> running;
  auto finishOldest = [&] {
    const BlockResult result = running.front().get();
    running.pop_front();
    write(result.out);
    Accumulate(total, result.summary);
  };
  while (reader.Next(block, kBlockSize)) {
    if (!workers) workers.emplace(cores);
    running.push_back(workers->Submit(std::packaged_task<BlockResult()>([&job, input = std::move(block)] {
      return CalculateBlock(input, job);
    })));
    if (running.size() >= inFlight) finishOldest();
  }
  while (!running.empty()) finishOldest();
  return total;
}

}  // namespace dravlik
