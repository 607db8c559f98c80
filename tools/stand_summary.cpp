#include "stand_summary.h"

#include <cmath>
#include <map>
#include <stdexcept>

#include "blanks.h"
#include "delimited_fields.h"
#include "domain_warnings.h"
#include "input_columns.h"
#include "number_text.h"
#include "numeric.h"
#include "species_catalogue.h"
#include "stand_sums.h"
#include "tree_scan.h"

namespace dravlik {
namespace {

constexpr Calculation kVolume{Quantity::kVolume};
constexpr std::size_t kReasonsNamed = 3;  // distinct reasons a line names; the rest are counted

// Trees a line could not take, with the first few distinct reasons and how
// many trees each kept out.
class LeftOutTrees {
 public:
  void Add(const std::string& reason) {
    ++count_;
    for (auto& [text, trees] : reasons_) {
      if (text == reason) return void(++trees);
    }
    if (reasons_.size() < kReasonsNamed) reasons_.emplace_back(reason, 1);
    else ++unnamed_;
  }
  std::uint64_t Count() const { return count_; }
  std::string Text() const {
    if (!count_) return {};
    std::string text = std::to_string(count_) + (count_ == 1 ? " tree" : " trees") + " left out: ";
    for (std::size_t i = 0; i < reasons_.size(); ++i) {
      if (i) text += "; ";
      text += reasons_[i].first + " (" + std::to_string(reasons_[i].second) + ")";
    }
    if (unnamed_) text += "; " + std::to_string(unnamed_) + " for other reasons";
    return text;
  }

 private:
  std::uint64_t count_ = 0, unnamed_ = 0;
  std::vector<std::pair<std::string, std::uint64_t>> reasons_;
};

struct StandLine {
  std::optional<StandSums> sums;  // from the group's first tree with an area
  LeftOutTrees leftOut;
  std::uint64_t warned = 0;
  std::string firstWarning;

  void Add(double area, double diameter, double height, double volume, const std::string& warning) {
    if (!sums) sums.emplace(area);
    sums->Add(diameter, height, volume);
    if (warning.empty()) return;
    if (!warned++) firstWarning = warning;
  }
  std::string WarningText() const {
    if (!warned) return {};
    if (warned == 1) return "1 tree with a warning: " + firstWarning;
    return std::to_string(warned) + " trees with a warning, the first: " + firstWarning;
  }
};

struct StandGroup {
  std::optional<double> area;  // m², from its first tree that has one
  std::map<vzorce::SpeciesIndex, StandLine> species;
  StandLine all;
};

std::string AreaText(double area) {
  std::string text;
  AppendNumber(text, area, false);
  return text + " m2";
}

class Stands {
 public:
  Stands(const TreeFileOptions& options, const StandRequest& request, FileCurves* curves)
      : options_(options), request_(request), curves_(curves) {
    options_.calculation = kVolume;
    options_.filling = curves ? curves->Filling() : nullptr;
  }

  void Read(const InputReader& read) {
    ScanTreeFile(
        read, options_.format.delimiter, [this](const CsvRecord& header) { TakeHeader(header); },
        [this](const CsvRecord& row) { TakeTree(row); });
  }

  // In pieces, so that the summary of many groups is never held whole.
  StandSummaryCounts Write(const OutputWriter& write) const;

 private:
  void TakeHeader(const CsvRecord& header) {
    job_ = MakeRowJob(options_, header, 0);
    if (curves_) groups_ = &curves_->Groups();
    else groups_ = &ownGroups_.emplace(header, request_.groupBy, options_.format.delimiter);
    if (request_.plotAreaColumn) {
      areaColumn_ = FindNamedColumn(header, *request_.plotAreaColumn, "--plot-area-column", options_.format.delimiter);
    }
  }

  void TakeTree(const CsvRecord& row) {
    ++trees_;
    const GroupNumber number = groups_->GroupOf(row);
    if (number >= groupsByNumber_.size()) groupsByNumber_.resize(number + 1);
    StandGroup& group = groupsByNumber_[number];
    RowInputs inputs;
    if (const auto error = ReadInputs(row, job_, inputs)) return LeaveOut(group, SpeciesOf(row), *error);
    const auto [diameter, measured, unused] = inputs.numbers;
    if (curves_ && !inputs.heightMissing) curves_->Curves().AddResidual(number, inputs.species, diameter, measured);
    if (const auto error = TakeArea(row, group)) return LeaveOut(group, inputs.species, *error);
    double height = measured;
    std::string warning;
    if (inputs.heightMissing) {
      const FilledHeight filled = curves_->Curves().Fill(number, inputs.species, diameter);
      if (!filled.error.empty()) return LeaveOut(group, inputs.species, filled.error);
      height = filled.height;
      warning = filled.warning;
    }
    const Evaluation tree = Evaluate(kVolume, inputs.species, {diameter, height}, options_.strict, std::move(warning));
    if (tree.error) return LeaveOut(group, inputs.species, *tree.error);
    group.species[inputs.species].Add(*group.area, diameter, height, tree.results[0], tree.warning);
    group.all.Add(*group.area, diameter, height, tree.results[0], tree.warning);
  }

  // The species of a row that cannot be computed, where it can be read.
  std::optional<vzorce::SpeciesIndex> SpeciesOf(const CsvRecord& row) const {
    if (options_.species.fixed) return options_.species.fixed;
    const std::size_t column = *job_.columns[0];
    if (column >= row.fields.size()) return std::nullopt;
    return ReadRowSpecies(options_.species, WithoutBlanks(row.fields[column])).species;
  }

  // The tree's plot area, which must be its group's; or why it has none.
  std::optional<std::string> TakeArea(const CsvRecord& row, StandGroup& group) const {
    double area = request_.plotArea.value_or(0);
    if (areaColumn_) {
      const std::string_view text =
          *areaColumn_ < row.fields.size() ? WithoutBlanks(row.fields[*areaColumn_]) : std::string_view();
      if (text.empty()) return NoValueIn("plot area");
      const auto number = ParseNumber(text, options_.format.decimalComma);
      if (!number) return NotANumberIn("plot area", text);
      area = *number;
    }
    if (!(area > 0)) return "plot area " + AreaText(area) + " is not above 0";
    if (!group.area) group.area = area;
    if (area != *group.area) {
      return "plot area " + AreaText(area) + " where the group's first tree has " + AreaText(*group.area);
    }
    return std::nullopt;
  }

  void LeaveOut(StandGroup& group, std::optional<vzorce::SpeciesIndex> species, const std::string& reason) {
    ++leftOut_;
    if (species) group.species[*species].leftOut.Add(reason);
    group.all.leftOut.Add(reason);
  }

  void AppendLine(std::string& out, const std::vector<std::string>& groupTexts, std::string_view species,
                  const StandLine& line) const;

  TreeFileOptions options_;
  const StandRequest& request_;
  FileCurves* curves_;
  RowJob job_;
  std::optional<TreeGroups> ownGroups_;
  TreeGroups* groups_ = nullptr;
  std::optional<std::size_t> areaColumn_;
  std::vector<StandGroup> groupsByNumber_;
  std::uint64_t trees_ = 0, leftOut_ = 0;
};

void AppendCount(std::string& out, std::uint64_t count, char delimiter) {
  out.append(1, delimiter).append(std::to_string(count));
}

void Stands::AppendLine(std::string& out, const std::vector<std::string>& groupTexts, std::string_view species,
                        const StandLine& line) const {
  const CsvFormat& format = options_.format;
  TreeGroups::AppendFields(out, groupTexts, format.delimiter);
  AppendField(out, species, format.delimiter);
  const StandFigures figures = line.sums ? line.sums->Figures() : StandFigures{};
  AppendCount(out, figures.trees, format.delimiter);
  for (const double value : {figures.treesPerHa, figures.basalAreaPerHa, figures.qmd, figures.loreyHeight,
                             figures.dominantHeight, figures.volume, figures.volumePerHa}) {
    out += format.delimiter;
    if (line.sums && !std::isnan(value)) AppendNumberField(out, value, format);
  }
  AppendCount(out, line.leftOut.Count(), format.delimiter);
  out += format.delimiter;
  AppendField(out, line.WarningText(), format.delimiter);
  out += format.delimiter;
  AppendField(out, line.leftOut.Text(), format.delimiter);
  out += '\n';
}

StandSummaryCounts Stands::Write(const OutputWriter& write) const {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::string out;
  const char delimiter = options_.format.delimiter;
  TreeGroups::AppendFields(out, groups_->Names(), delimiter);
  for (const char* name : {"species", "trees", "trees_per_ha", "basal_area_per_ha", "qmd", "lorey_height",
                           "dominant_height", "volume", "volume_per_ha", "left_out", "warning"}) {
    out.append(name).append(1, delimiter);
  }
  out += "error\n";
  for (GroupNumber number = 0; number < groupsByNumber_.size(); ++number) {
    const StandGroup& group = groupsByNumber_[number];
    const auto& texts = groups_->Texts(number);
    for (const auto& [species, line] : group.species) AppendLine(out, texts, WrittenCode(species), line);
    AppendLine(out, texts, "all", group.all);
    if (out.size() < kPiece) continue;
    write(out);
    out.clear();
  }
  write(out);
  return {trees_, leftOut_, groupsByNumber_.size()};
}

}  // namespace

StandSummaryCounts SummariseStands(const TreeFileOptions& options, const StandRequest& request,
                                   const InputPasses& passes, const OutputWriter& write, std::string* curves) {
  std::optional<FileCurves> fileCurves;
  if (request.fillHeights) {
    fileCurves.emplace(options, FillRequest{*request.fillHeights, request.groupBy});
    const Utf8Input input(passes(), options.encoding);
    fileCurves->Fit(input.Reader());
  }
  Stands stands(options, request, fileCurves ? &*fileCurves : nullptr);
  {
    const Utf8Input input(passes(), options.encoding);
    stands.Read(input.Reader());
  }
  StandSummaryCounts counts;
  if (!NeedsConverting(options.encoding)) {
    counts = stands.Write(write);
  } else {
    EncodedOutput encoded(write, options.encoding);
    counts = stands.Write([&](std::string_view text) { encoded.Write(text); });
    encoded.Write({}, true);
  }
  if (curves && fileCurves) *curves = fileCurves->Table();
  return counts;
}

}  // namespace dravlik
