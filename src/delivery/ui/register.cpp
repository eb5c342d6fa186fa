#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerDeliveryScreens(ScreenRegistry& registry)
{
    (void)registry;
}

} // namespace orvena
