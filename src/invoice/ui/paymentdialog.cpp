#include "paymentdialog.h"

#include "invoice/invoicetexts.h"
#include "invoice/paymententry.h"

#include "db/money.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/querytablemodel.h"
#include "screens/common/ui/gridbinding.h"
#include "screens/common/ui/keyhandling.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

namespace {

// The payments as the amounts above them read ("12 000,00"); a deleted payment struck through
// and greyed in every column, and named so in "Állapot".
class PaymentRows : public QueryTableModel {
public:
    using QueryTableModel::QueryTableModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Query& q = query();
        const bool deleted = !q.text(index.row(), QStringLiteral("pTorolve")).trimmed().isEmpty();
        if (role == Qt::DisplayRole && fieldOfColumn(index.column()).compare(u"pOsszeg", Qt::CaseInsensitive) == 0) {
            const QString raw = q.text(index.row(), QStringLiteral("pOsszeg"));
            return raw.trimmed().isEmpty() ? QString() : invoice::formatAmount(Money::parse(raw).exact());
        }
        if (role == Qt::FontRole && deleted) {
            QFont struck;
            struck.setStrikeOut(true);
            return struck;
        }
        if (role == Qt::ForegroundRole && deleted)
            return QColor(Qt::gray);
        return QueryTableModel::data(index, role);
    }
};

} // namespace

PaymentEntryDialog::PaymentEntryDialog(const PaymentEntry& suggested, std::function<bool(const PaymentEntry&)> store,
                                       QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormFizetesUj"));
    setWindowTitle(QStringLiteral("Új fizetés"));
    auto* form = new QFormLayout(this);
    auto field = [&](const QString& caption, const QString& name, const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        form->addRow(caption, edit);
        return edit;
    };
    m_date = field(QStringLiteral("Dátum"), QStringLiteral("paymentDate"), suggested.date);
    m_amount = field(QStringLiteral("Összeg"), QStringLiteral("paymentAmount"), suggested.amount);
    m_method = field(QStringLiteral("Mód"), QStringLiteral("paymentMethod"), suggested.method);
    m_note = field(QStringLiteral("Megjegyzés"), QStringLiteral("paymentNote"), suggested.note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // A refused payment keeps the dialog open with what was typed.
    addButton(buttons, QStringLiteral("OK"), QStringLiteral("A fizetés rögzítése"), QStringLiteral("okButton"), this,
              [this, store = std::move(store)] {
                  if (store(entry()))
                      accept();
              });
    addButton(buttons, QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("cancelButton"), this,
              [this] { reject(); });
    form->addRow(buttons);
    // Enter moves from field to field and on to "OK"; only Enter on a button presses it.
    installEnterNavigation(this, EnterMode::FormFirst);
    installEnterPressesButtons(this);
    m_amount->setFocus();
    m_amount->selectAll();
}

PaymentEntry PaymentEntryDialog::entry() const
{
    return {m_date->text(), m_amount->text(), m_method->text(), m_note->text()};
}

PaymentDialog::PaymentDialog(ScreenContext& context, InvoicePayments* model, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(model)
{
    model->setParent(this);
    setObjectName(QStringLiteral("TFormFizetes"));
    setWindowTitle(QStringLiteral("Fizetés – %1 számú számla").arg(model->number()));
    auto* layout = new QVBoxLayout(this);

    auto* amounts = new QGridLayout;
    auto amount = [&](int column, const QString& caption, const QString& name) {
        amounts->addWidget(new QLabel(caption, this), 0, column * 2);
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        amounts->addWidget(label, 0, column * 2 + 1);
        return label;
    };
    m_payable = amount(0, QStringLiteral("Fizetendő:"), QStringLiteral("payableLabel"));
    m_paid = amount(1, QStringLiteral("Fizetve:"), QStringLiteral("paidLabel"));
    m_balance = amount(2, QStringLiteral("Hátralék:"), QStringLiteral("balanceLabel"));
    layout->addLayout(amounts);

    auto* grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("paymentGrid"));
    auto* rows = new PaymentRows(model->list(),
                                     {{QStringLiteral("pDatum"), QStringLiteral("Dátum")},
                                      {QStringLiteral("pOsszeg"), QStringLiteral("Összeg")},
                                      {QStringLiteral("pAllapot"), QStringLiteral("Állapot")},
                                      {QStringLiteral("pMod"), QStringLiteral("Mód")},
                                      {QStringLiteral("pMegj"), QStringLiteral("Megjegyzés")},
                                      {QStringLiteral("pRogzitette"), QStringLiteral("Rögzítette")},
                                      {QStringLiteral("pRogzitve"), QStringLiteral("Rögzítve")},
                                      {QStringLiteral("pTorolve"), QStringLiteral("Törölve")},
                                      {QStringLiteral("pTorolte"), QStringLiteral("Törölte")}},
                                     grid);
    bindGridToQuery(grid, rows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setTabKeyNavigation(false);
    grid->setColumnWidth(4, 200);
    grid->setColumnWidth(6, 140);
    grid->setColumnWidth(7, 140);
    layout->addWidget(grid, 1);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        return addButton(buttons, text, hint, name, this, action);
    };
    add(QStringLiteral("Új"), QStringLiteral("Új fizetés rögzítése"), QStringLiteral("newPaymentButton"), [this] { enterNewPayment(m_context, *m_model); });
    add(QStringLiteral("Töröl"), QStringLiteral("A kijelölt fizetés törlése (törölt jelöléssel megmarad)"),
        QStringLiteral("deletePaymentButton"), [this] { m_model->deletePayment(); });
    buttons->addStretch();
    add(QStringLiteral("Bezár"), QStringLiteral("Kilépés"), QStringLiteral("closeButton"), [this] { accept(); });
    layout->addLayout(buttons);

    connect(model, &InvoicePayments::changed, this, [this] { showAmounts(); });
    showAmounts();
    installEnterPressesButtons(this);
    resize(820, 420);
}

void PaymentDialog::showAmounts()
{
    m_payable->setText(m_model->amountText(m_model->payable()));
    m_paid->setText(m_model->amountText(m_model->paid()));
    m_balance->setText(m_model->amountText(m_model->balance()));
}

} // namespace orvena
