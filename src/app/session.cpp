#include "session.h"

#include "reports/ui/reportpreview.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvena {

Session::Session() : m_context{m_data, m_state, m_ui, m_registry}
{
    m_context.reports = &reports::previewReportPresenter();
    m_registry.setContext(&m_context);
    registerAllScreens(m_registry);
}

void applyProgramLocale()
{
    QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);
    hungarian.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(hungarian);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(hungarian, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace orvena
