#include "tooldialogs.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/dialogparts.h"

#include "navsend/navreconcilescreen.h"
#include "screens/common/dispatcher.h"
#include "tools/auditexportscreen.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace orvena {

namespace {

class AuditExportDialog : public QDialog {
public:
    AuditExportDialog(ScreenContext& context, std::unique_ptr<AuditExportScreen> model, QWidget* parent)
        : QDialog(parent), m_context(context), m_screen(std::move(model))
    {
        setObjectName(QStringLiteral("TForm29"));
        setWindowTitle(QStringLiteral("Adóhatósági adatszolgáltatás"));
        setProperty("helpContext", 11);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(20, 16, 20, 16);
        auto* intro = new QLabel(QStringLiteral("A kiállított (nyomtatott) számlák számla-adatai az adóhatóság XML "
                                                "formátumában, számlánként egy fájlban, összesítővel."),
                                 this);
        intro->setWordWrap(true);
        layout->addWidget(intro);
        m_byDate = new QRadioButton(QStringLiteral("Dátum szerint (számla kelte)"), this);
        m_byDate->setObjectName(QStringLiteral("RadioButton1"));
        m_byNumber = new QRadioButton(QStringLiteral("Számlaszám szerint"), this);
        m_byNumber->setObjectName(QStringLiteral("RadioButton2"));
        m_byDate->setChecked(true);
        layout->addWidget(m_byDate);
        layout->addWidget(m_byNumber);
        auto* form = new QFormLayout;
        m_from = new QLineEdit(this);
        m_from->setObjectName(QStringLiteral("Edit1"));
        m_to = new QLineEdit(this);
        m_to->setObjectName(QStringLiteral("Edit2"));
        m_folder = new QLineEdit(this);
        m_folder->setObjectName(QStringLiteral("Edit3"));
        m_folder->setMinimumWidth(360);
        m_folder->setToolTip(QStringLiteral("Ide kerülnek az XML-fájlok és az osszesito.csv; ha nincs ilyen mappa, "
                                            "létrejön."));
        form->addRow(QStringLiteral("Kezdete:"), m_from);
        form->addRow(QStringLiteral("Vége:"), m_to);
        form->addRow(QStringLiteral("Mappa:"), m_folder);
        layout->addLayout(form);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        auto* run = makeButton(QStringLiteral("Indít"), QStringLiteral("Az adatszolgáltatás fájljainak elkészítése."),
                               QStringLiteral("Button1"), this);
        // The authority's copy of the period's invoices against the books, asked in the background.
        m_reconcile = makeButton(QStringLiteral("Egyeztetés a NAV-val"),
                                 QStringLiteral("A NAV-nál lévő kimenő számlák összevetése a könyvekkel (a számlák "
                                                "kelte szerinti időszakra); az eltérések listája a mappába kerül."),
                                 QStringLiteral("ReconcileButton"), this);
        buttons->addWidget(m_reconcile);
        auto* cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("Button2"), this);
        buttons->addWidget(run);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        showFields();

        connect(m_byNumber, &QRadioButton::toggled, this, [this](bool on) {
            runAction(m_context.ui, [&] { m_screen->setByNumber(on); });
            showFields();
        });
        connect(m_from, &QLineEdit::textEdited, this,
                [this](const QString& t) { m_screen->setField(AuditExportScreen::From, t); });
        connect(m_to, &QLineEdit::textEdited, this,
                [this](const QString& t) { m_screen->setField(AuditExportScreen::To, t); });
        connect(m_folder, &QLineEdit::textEdited, this,
                [this](const QString& t) { m_screen->setField(AuditExportScreen::Folder, t); });
        connect(run, &QPushButton::clicked, this, [this] { runAction(m_context.ui, [this] { m_screen->run(); }); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(m_reconcile, &QPushButton::clicked, this, [this] {
            runAction(m_context.ui, [this] {
                if (m_screen->byNumber()) {
                    m_context.ui.message(QStringLiteral("A NAV-val való egyeztetés a számlák kelte szerinti időszakra "
                                                        "készül: válassza a „Dátum szerint” módot."));
                    return;
                }
                const QString csv = QDir(m_screen->field(AuditExportScreen::Folder).trimmed())
                                        .filePath(QStringLiteral("nav-egyeztetes.csv"));
                if (m_reconciliation.start(m_screen->field(AuditExportScreen::From),
                                           m_screen->field(AuditExportScreen::To), csv))
                    m_reconcile->setEnabled(false);
            });
        });
        connect(&m_reconciliation, &nav::ReconcileScreen::finished, this, [this] { m_reconcile->setEnabled(true); });
        installEnterPressesButtons(this);
    }

private:
    void showFields()
    {
        m_from->setText(m_screen->field(AuditExportScreen::From));
        m_to->setText(m_screen->field(AuditExportScreen::To));
        m_folder->setText(m_screen->field(AuditExportScreen::Folder));
        const QString hint = m_screen->byNumber() ? QStringLiteral("számlaszám") : QStringLiteral("éééé.hh.nn");
        m_from->setPlaceholderText(hint);
        m_to->setPlaceholderText(hint);
    }

    ScreenContext& m_context;
    std::unique_ptr<AuditExportScreen> m_screen;
    nav::ReconcileScreen m_reconciliation{m_context};
    QPushButton* m_reconcile;
    QRadioButton* m_byDate;
    QRadioButton* m_byNumber;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_folder;
};

} // namespace

QDialog* createAuditExportDialog(ScreenContext& context, QWidget* parent)
{
    return new AuditExportDialog(context, std::make_unique<AuditExportScreen>(context), parent);
}

} // namespace orvena
