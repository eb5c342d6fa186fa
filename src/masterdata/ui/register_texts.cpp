#include "dictionarydialogs.h"
#include "functionkeydialog.h"
#include "headerblockdialog.h"

#include "screens/common/ui/screenregistry.h"

namespace orvena {

namespace {

QDialog* headerBlock(ScreenContext& context, const ScreenRequest& request, QWidget* parent,
                     HeaderBlockComposer::Party party)
{
    auto composer = std::make_unique<HeaderBlockComposer>(context, party, request);
    if (!composer->fill())
        return nullptr; // the fill message has been shown; the screen does not open
    return new HeaderBlockDialog(context, std::move(composer), parent);
}

} // namespace

void registerMasterTextScreens(ScreenRegistry& registry)
{
    // Each opening makes a fresh text store the current one; the keys read it from then on,
    // and it outlives the screen.
    registry.add(Screen::FunctionKeys, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        auto screen = std::make_unique<FunctionKeyScreen>(context, FunctionKeyScreen::replaceCurrent(context.state));
        return new FunctionKeyDialog(std::move(screen), parent);
    });
    registry.add(Screen::DictionaryList, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return createDictionaryList(context, parent);
    });
    registry.add(Screen::DictionaryEdit,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     return DictionaryEditDialog::create(context, request, parent);
                 });
    registry.add(Screen::CustomerBlock, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) {
        return headerBlock(context, request, parent, HeaderBlockComposer::Party::Customer);
    });
    registry.add(Screen::IssuerBlock, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) {
        return headerBlock(context, request, parent, HeaderBlockComposer::Party::Issuer);
    });
}

} // namespace orvena
