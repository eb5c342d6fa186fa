#include "masterdatadialogs.h"
#include "screens/common/ui/screenregistry.h"

namespace orvena {

void registerMasterDataScreens(ScreenRegistry& registry)
{
    registry.add(Screen::VatList, createVatListDialog);
    registry.add(Screen::VatEdit, createVatEditDialog);
    registry.add(Screen::ArticleList, createArticleListDialog);
    registry.add(Screen::ArticleEdit, createArticleEditDialog);
    registry.add(Screen::CustomerList, createCustomerListDialog);
    registry.add(Screen::CustomerEdit, createCustomerEditDialog);
    registry.add(Screen::IssuerList, createIssuerListDialog);
    registry.add(Screen::IssuerEdit, createIssuerEditDialog);
}

} // namespace orvena
