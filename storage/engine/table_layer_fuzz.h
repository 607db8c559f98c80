// The fuzz target's work through the table layer: the input, as the site-class
// table's file, opened, read and changed as the window would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravlik::fuzzing {

void WorkThroughTableLayer(const std::uint8_t* data, std::size_t size);

}  // namespace dravlik::fuzzing
