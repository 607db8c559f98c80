// _pdravlik: the arrays' side of the Python package; pdravlik/__init__.py
// turns the user's arguments into the contiguous arrays these take.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "element_evaluation.h"
#include "encoded_streams.h"
#include "height_curve.h"
#include "object_texts.h"
#include "species_catalogue.h"
#include "stand_arrays.h"

namespace py = pybind11;
using namespace dravlik;
using namespace dravlik::python;

namespace {

using IndexArray = py::array_t<std::int64_t, py::array::c_style>;
using NumberArray = py::array_t<double, py::array::c_style>;

// Texts the models wrote, and texts Python gave, which may hold lone surrogates.
py::str PythonText(const std::string& text) {
  PyObject* str = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "surrogatepass");
  if (!str) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(str);
}

void RequireFlat(const py::array& array, const char* what) {
  if (array.ndim() != 1 || !(array.flags() & py::array::c_style)) {
    throw py::type_error(std::string(what) + " must be a contiguous one-dimensional array");
  }
}

// Numpy's native fixed-width UCS4 texts, or objects read as their texts.
TextCodes TextsOf(const py::array& array) {
  RequireFlat(array, "texts");
  const auto count = static_cast<std::size_t>(array.size());
  if (array.dtype().kind() == 'O') return CodedObjectTexts(array);
  if (array.dtype().kind() != 'U' || !array.dtype().attr("isnative").cast<bool>()) {
    throw py::type_error("texts must be str or object arrays");
  }
  const auto* texts = static_cast<const char32_t*>(array.data());
  const auto width = static_cast<std::size_t>(array.itemsize()) / 4;
  py::gil_scoped_release unlocked;
  return CodedTexts(texts, width, count);
}

const std::int64_t* IndicesOf(const py::array& array) {
  if (!py::isinstance<IndexArray>(array)) return nullptr;
  RequireFlat(array, "species");
  return static_cast<const std::int64_t*>(array.data());
}

// Integers (int64), or texts.
SpeciesCodes SpeciesCodesOf(const py::array& species) {
  if (const std::int64_t* indices = IndicesOf(species)) {
    const auto count = static_cast<std::size_t>(species.size());
    py::gil_scoped_release unlocked;
    return SpeciesOfIntegers(indices, count);
  }
  TextCodes texts = TextsOf(species);
  py::gil_scoped_release unlocked;
  return SpeciesOfTexts(std::move(texts));
}

NumberColumn ColumnOf(const NumberArray& numbers) {
  RequireFlat(numbers, "numbers");
  return {numbers.data(), static_cast<std::size_t>(numbers.size())};
}

py::object TextsFound(const ElementTexts& found) {
  py::list texts;
  for (const std::string& text : found.texts) texts.append(PythonText(text));
  return py::make_tuple(py::array_t<std::uint64_t>(found.elements.size(), found.elements.data()),
                        py::array_t<std::uint32_t>(found.codes.size(), found.codes.data()), texts);
}

// (values, errors, warnings, first error); errors and warnings as
// (elements, codes, texts) when kept, the first error with `strict`.
py::tuple EvaluateArrays(const std::string& command, const py::array& species, const std::vector<NumberArray>& numbers,
                         std::size_t count, bool rounded, bool allVolumes, bool strict, bool keepTexts) {
  ElementRequest request;
  if (!QuantityNamed(command, request.calculation.quantity)) throw py::value_error("no model named " + command);
  request.calculation.rounded = rounded;
  request.calculation.allVolumes = allVolumes && request.calculation.quantity == Quantity::kVolume;
  request.strict = strict;
  request.keepTexts = keepTexts;
  if (numbers.size() + 1 != InputNames(request.calculation.quantity).size()) {
    throw py::type_error(command + " takes " + ListedNames(InputNames(request.calculation.quantity)));
  }
  std::vector<NumberColumn> columns;
  for (const NumberArray& array : numbers) columns.push_back(ColumnOf(array));
  const SpeciesCodes codes = SpeciesCodesOf(species);
  std::vector<std::size_t> sizes = {codes.codes.size()};
  for (const NumberColumn& column : columns) sizes.push_back(column.count);
  for (const std::size_t size : sizes) {
    if (size != 1 && size != count) throw py::value_error("inputs of different lengths");
  }
  const std::size_t width = ResultNames(request.calculation).size();
  NumberArray values({count, width});
  double* out = values.mutable_data();
  ElementResults results;
  {
    py::gil_scoped_release unlocked;
    results = EvaluateElements(request, codes, columns, count, out);
  }
  py::object first = py::none();
  if (results.firstError) first = py::make_tuple(results.firstError->first, PythonText(results.firstError->second));
  if (!keepTexts) return py::make_tuple(values, py::none(), py::none(), first);
  return py::make_tuple(values, TextsFound(results.errors), TextsFound(results.warnings), first);
}

CurveChoice CurveOf(const std::string& curve, std::int64_t minimumHeights) {
  const auto kind = CurveNamed(curve);
  if (!kind) throw py::value_error("curve takes naslund or michailoff, not '" + curve + "'");
  if (minimumHeights < static_cast<std::int64_t>(kFewestCurveTrees)) {
    throw py::value_error("min_heights takes a whole number of trees, at least " + std::to_string(kFewestCurveTrees));
  }
  return {*kind, static_cast<std::uint64_t>(minimumHeights)};
}

// The summary's CSV text. Every array holds one element per tree.
py::str SummariseArrays(const py::array& species, const NumberArray& diameters, const NumberArray& heights,
                        const std::optional<NumberArray>& plotAreas, std::optional<double> plotArea,
                        const std::vector<std::string>& groupNames, const std::vector<py::array>& groups,
                        bool fillHeights, const std::string& curve, std::int64_t minimumHeights) {
  StandArrays trees;
  trees.count = static_cast<std::size_t>(species.size());
  trees.speciesIndices = IndicesOf(species);
  if (!trees.speciesIndices) trees.speciesTexts = TextsOf(species);
  std::vector<NumberColumn> numbers = {ColumnOf(diameters), ColumnOf(heights)};
  if (plotAreas) numbers.push_back(ColumnOf(*plotAreas));
  for (const py::array& group : groups) {
    if (static_cast<std::size_t>(group.size()) != trees.count) throw py::value_error("inputs of different lengths");
    trees.groups.push_back(TextsOf(group));
  }
  for (const NumberColumn& column : numbers) {
    if (column.count != trees.count) throw py::value_error("inputs of different lengths");
  }
  if (groupNames.size() != groups.size()) throw py::value_error("a name for every group");
  trees.diameters = numbers[0].values;
  trees.heights = numbers[1].values;
  if (plotAreas) trees.plotAreas = numbers[2].values;
  trees.groupNames = groupNames;
  StandArraysRequest request;
  request.plotArea = plotArea;
  const CurveChoice choice = CurveOf(curve, minimumHeights);
  if (fillHeights) request.fillHeights = choice;
  std::string summary;
  try {
    py::gil_scoped_release unlocked;
    summary = SummariseStandArrays(trees, request);
  } catch (const TreeFileError& e) {
    throw py::value_error(e.what());
  }
  return PythonText(summary);
}

py::tuple SpeciesCodesWritten() {
  py::list codes;
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    codes.append(PythonText(WrittenCode(species)));
  }
  return py::tuple(codes);
}

}  // namespace

PYBIND11_MODULE(_pdravlik, module) {
  module.doc() = "The arrays' side of pdravlik; use the pdravlik package.";
  module.attr("SPECIES") = SpeciesCodesWritten();
  module.def("evaluate", &EvaluateArrays, py::arg("command"), py::arg("species"), py::arg("numbers"),
             py::arg("count"), py::arg("rounded"), py::arg("all"), py::arg("strict"), py::arg("keep_texts"),
             "The model `command` over contiguous one-dimensional arrays of `count` elements (or one).");
  module.def("stand_summary", &SummariseArrays, py::arg("species"), py::arg("diameter"), py::arg("height"),
             py::arg("plot_areas"), py::arg("plot_area"), py::arg("group_names"), py::arg("groups"),
             py::arg("fill_heights"), py::arg("curve"), py::arg("min_heights"),
             "pdravlik-calc stand's CSV over contiguous one-dimensional arrays of the trees.");
}
