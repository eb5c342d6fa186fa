#include "functionkeyscreen.h"

#include "screens/common/dispatcher.h"

namespace orvena {

FunctionKeyScreen::FunctionKeyScreen(ScreenContext& context, std::shared_ptr<FunctionKeyTexts> texts, QString path)
    : m_context(context), m_texts(texts ? std::move(texts) : std::make_shared<FunctionKeyTexts>()), m_path(std::move(path))
{
}

std::shared_ptr<FunctionKeyTexts> FunctionKeyScreen::replaceCurrent(AppState& state)
{
    state.functionKeys = std::make_shared<FunctionKeyTexts>();
    return state.functionKeys;
}

bool FunctionKeyScreen::readFile()
{
    return runAction(m_context.ui, [this] { m_texts->load(m_path); });
}

bool FunctionKeyScreen::save()
{
    return runAction(m_context.ui, [this] { m_texts->save(m_path); });
}

} // namespace orvena
