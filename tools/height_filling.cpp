#include "height_filling.h"

#include "tree_scan.h"

namespace dravlik {

FileCurves::FileCurves(const TreeFileOptions& options, const FillRequest& request)
    : options_(options), request_(request), curves_(request.curve) {}

void FileCurves::ForEachMeasuredTree(const InputReader& read, const MeasuredTree& take) {
  TreeFileOptions measured = options_;
  measured.filling = &filling_;  // rows without a height are not errors here
  RowJob job;
  ScanTreeFile(
      read, options_.format.delimiter,
      [&](const CsvRecord& header) {
        job = MakeRowJob(measured, header, 0);
        if (!groups_) groups_.emplace(header, request_.groupBy, options_.format.delimiter);
      },
      [&](const CsvRecord& row) {
        // Every row numbers its group, so that groups keep the order they first appear in.
        const GroupNumber group = groups_->GroupOf(row);
        RowInputs inputs;
        if (ReadInputs(row, job, inputs) || inputs.heightMissing) return;
        take(group, inputs.species, inputs.numbers[0], inputs.numbers[1]);
      });
}

void FileCurves::Fit(const InputReader& read) {
  ForEachMeasuredTree(read, [this](GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
    curves_.AddMeasured(group, species, diameter, height);
  });
  curves_.Fit();
  filling_ = {&*groups_, &curves_};
}

void FileCurves::MeasureResiduals(const InputReader& read) {
  ForEachMeasuredTree(read, [this](GroupNumber group, vzorce::SpeciesIndex species, double diameter, double height) {
    curves_.AddResidual(group, species, diameter, height);
  });
}

std::string FileCurves::Table() const {
  std::string out;
  curves_.AppendTable(out, *groups_, options_.format);
  return out;
}

}  // namespace dravlik
