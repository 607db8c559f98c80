#include "standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dravlik {
namespace {

int firstFailure = 0;  // the reason of the first write that failed

}  // namespace

void PutStandardOutput(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && firstFailure == 0) firstFailure = errno;
}

std::string CloseStandardOutput() {
  const std::string failure = "cannot write standard output: ";
  errno = 0;
  int error = std::fflush(stdout) == 0 ? 0 : errno;
  // A write that failed before, with nothing left to flush, leaves the
  // stream's error flag but not its reason.
  const bool failedBefore = std::ferror(stdout) != 0;
  if (std::fclose(stdout) != 0 && error == 0) error = errno;
  if (error != 0) return failure + std::strerror(error);
  if (failedBefore) return failure + (firstFailure ? std::strerror(firstFailure) : "an earlier write failed");
  return {};
}

}  // namespace dravlik
