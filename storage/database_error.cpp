#include "database_error.h"

namespace dravlik {

void DatabaseError(const std::string& text, const std::string& componentName) {
  if (componentName.empty()) throw EDatabaseError(text);
  throw EDatabaseError(componentName + ": " + text);
}

}  // namespace dravlik
