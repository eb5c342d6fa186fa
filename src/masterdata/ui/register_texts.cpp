#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerMasterTextScreens(ScreenRegistry& registry)
{
    (void)registry;
}

} // namespace orvena
