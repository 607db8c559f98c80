#include "error_text.h"

namespace dravlik {

QString ErrorBoxText(const QString& message) {
  // A last character outside the basic plane ends in a surrogate, which sorts
  // after "." as the character itself does.
  if (!message.isEmpty() && message.back() > u'.') return message + u'.';
  return message;
}

}  // namespace dravlik
