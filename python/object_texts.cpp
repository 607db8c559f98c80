#include "object_texts.h"

#include <cmath>

namespace py = pybind11;

namespace dravlik::python {
namespace {

std::string Utf8OfStr(const py::handle text) {
  const auto utf8 = py::reinterpret_steal<py::bytes>(PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogatepass"));
  if (!utf8) throw py::error_already_set();
  return utf8;
}

// Any object but a str, whose text is read where it is.
std::string TextOf(PyObject* object) {
  if (object == Py_None) return {};
  if (PyFloat_Check(object) && std::isnan(PyFloat_AS_DOUBLE(object))) return {};
  return Utf8OfStr(py::str(py::handle(object)));
}

std::uint32_t CodeOf(TextCoder& coder, PyObject* object) {
  if (!PyUnicode_Check(object)) return coder.CodeOf(TextOf(object));
  Py_ssize_t size = 0;
  // The str's own UTF-8, kept with it: no copy for the texts met before.
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size)) return coder.CodeOf({utf8, static_cast<std::size_t>(size)});
  PyErr_Clear();  // a lone surrogate, which only "surrogatepass" writes
  return coder.CodeOf(Utf8OfStr(object));
}

}  // namespace

TextCodes CodedObjectTexts(const py::array& objects) {
  const auto count = static_cast<std::size_t>(objects.size());
  const auto* elements = static_cast<PyObject* const*>(objects.data());
  TextCodes codes;
  TextCoder coder(codes);
  codes.codes.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    // A column's runs of one object are read once.
    codes.codes[i] = i && elements[i] == elements[i - 1] ? codes.codes[i - 1] : CodeOf(coder, elements[i]);
  }
  return codes;
}

}  // namespace dravlik::python
