#include "data_link.h"

#include "table.h"

namespace dravlik {

TDataLink::~TDataLink() {
  if (dataSet_) dataSet_->RemoveLink(*this);
}

}  // namespace dravlik
