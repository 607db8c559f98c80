// Standard output closed with its errors checked: the C library flushes it at
// exit without telling anyone, so a result written to a full disk, a closed
// pipe or a closed descriptor would be lost while the program reports success.
#pragma once

#include <string>
#include <string_view>

namespace dravlik {

// Writes `text`, keeping the reason of a failure for CloseStandardOutput:
// a text longer than the stream's buffer fails while being written.
void PutStandardOutput(std::string_view text);

// Flushes and closes standard output; nothing may be written to it after.
// Empty when everything written reached it, else "cannot write standard
// output: REASON", for the program to print after its name and to end with a
// failing exit status.
[[nodiscard]] std::string CloseStandardOutput();

}  // namespace dravlik
