#pragma once
// The columns of the delivery-note line grid, the same on the register and the composer.
#include "screens/common/querytablemodel.h"

#include <vector>

namespace orvena::delivery {

std::vector<QueryTableModel::Column> lineGridColumns();

} // namespace orvena::delivery
