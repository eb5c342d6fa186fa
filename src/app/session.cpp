#include "session.h"

#include "reports/ui/reportpreview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QLocale>
#include <QTranslator>

namespace orvena {

bool askReconnect(const QString& serverText)
{
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                         : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                    QStringLiteral("Megszakadt a kapcsolat az adatbázissal.\n"
                                   "A beírt adatok megmaradnak. Ellenőrizze az adatbázis-kiszolgálót és a "
                                   "hálózatot, majd nyomja meg az \"Újra\" gombot.\n\n"
                                   "A kiszolgáló üzenete: %1")
                        .arg(serverText),
                    QMessageBox::NoButton, parent);
    QPushButton* retry = box.addButton(QStringLiteral("Újra"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Mégsem"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == retry;
}

Session::Session() : m_context{m_data, m_state, m_ui, m_registry}
{
    m_context.reports = &reports::previewReportPresenter();
    m_registry.setContext(&m_context);
    registerAllScreens(m_registry);
    m_data.connection().setLostHandler(askReconnect);
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
