// The texts of a numpy object array (a pandas column of str, say): a str as
// it is, None and NaN as a missing value (""), anything else as str() writes it.
#pragma once

#include <pybind11/numpy.h>

#include "text_codes.h"

namespace dravlik::python {

// With the GIL held; a contiguous one-dimensional array. What str() raises
// passes through.
TextCodes CodedObjectTexts(const pybind11::array& objects);

}  // namespace dravlik::python
