#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerMasterDataScreens(ScreenRegistry& registry)
{
    (void)registry;
}

} // namespace orvena
