#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerInvoiceScreens(ScreenRegistry& registry)
{
    (void)registry;
}

} // namespace orvena
