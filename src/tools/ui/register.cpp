#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerToolScreens(ScreenRegistry& registry)
{
    (void)registry;
}

} // namespace orvena
