#include "db/money.h"
#include "receivablesdialog.h"

#include "invoice/invoicetexts.h"
#include "invoicemaildialog.h"
#include "receivablesmodel.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "screens/common/ui/dialogparts.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/dispatcher.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvena {

namespace {

QString amount(Money value)
{
    return invoice::formatAmount(value.exact());
}

// An invoice's number stands indented under its customer's line.
class IndentedInvoices : public QStyledItemDelegate {
public:
    IndentedInvoices(const ReceivablesTreeModel* lines, QObject* parent) : QStyledItemDelegate(parent), m_lines(lines) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == ReceivablesTreeModel::Name && !m_lines->isCustomerLine(index.row()))
            option->text.prepend(QStringLiteral("\u2003\u2003"));
    }

private:
    const ReceivablesTreeModel* m_lines;
};

} // namespace

ReceivablesDialog::ReceivablesDialog(ScreenContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(context)
{
    setObjectName(QStringLiteral("TForm30"));
    setWindowTitle(QStringLiteral("Kintlévőségek"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Nap:"), this));
    m_day = new QLineEdit(formatDate(QDate::currentDate()), this);
    m_day->setObjectName(QStringLiteral("dayEdit"));
    m_day->setMaximumWidth(110);
    top->addWidget(m_day);
    auto* refresh = makeButton(QStringLiteral("Frissít"), {}, QStringLiteral("refreshButton"), this);
    connect(refresh, &QPushButton::clicked, this, [this] { reload(); });
    top->addWidget(refresh);
    top->addStretch();
    layout->addLayout(top);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("receivablesTree"));
    m_tree->setUniformRowHeights(true); // a hundred thousand lines are laid out without measuring each
    m_lines = new ReceivablesTreeModel(this);
    m_tree->setModel(m_lines);
    m_tree->setRootIsDecorated(false);
    m_tree->setItemDelegate(new IndentedInvoices(m_lines, m_tree));
    // Shown in the list's order (by name, then due date) until a heading is clicked.
    m_tree->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_tree->setSortingEnabled(true);
    m_tree->header()->resizeSection(ReceivablesTreeModel::Name, 260);
    layout->addWidget(m_tree, 1);

    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("totalLabel"));
    layout->addWidget(m_total);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        return addButton(buttons, text, hint, name, this, action);
    };
    add(QStringLiteral("Nyomtat"), QStringLiteral("A lista nyomtatása"), QStringLiteral("printButton"),
        [this] { runAction(m_context.ui, [this] { m_model.print(); }); });
    add(QStringLiteral("CSV export"), QStringLiteral("A lista mentése CSV-fájlba"), QStringLiteral("csvButton"), [this] { exportCsv(); });
    add(QStringLiteral("Fizetési felszólítás"), QStringLiteral("A kijelölt vevő fizetési felszólítása"),
        QStringLiteral("reminderButton"), [this] { printReminder(); });
    add(QStringLiteral("Küldés e-mailben"), QStringLiteral("A kijelölt vevő fizetési felszólításának elküldése e-mailben"),
        QStringLiteral("reminderMailButton"), [this] { mailReminder(); });
    buttons->addStretch();
    add(QStringLiteral("Bezár"), QStringLiteral("Kilépés"), QStringLiteral("closeButton"), [this] { accept(); });
    layout->addLayout(buttons);
    resize(980, 560);
    reload();
}

void ReceivablesDialog::reload()
{
    runAction(m_context.ui, [this] {
        m_model.read(parseDate(m_day->text()));
        m_lines->reset(m_model);
        m_lines->sort(m_tree->header()->sortIndicatorSection(), m_tree->header()->sortIndicatorOrder());
        QStringList totals;
        for (const ReceivableTotal& t : m_model.overallTotals())
            totals << amount(t.balance) + u' ' + t.currency;
        m_total->setText(QStringLiteral("Összesen: %1 (%2 számla)")
                             .arg(totals.isEmpty() ? QStringLiteral("0") : totals.join(QStringLiteral("; ")))
                             .arg(m_model.rows().size()));
    });
}

void ReceivablesDialog::exportCsv()
{
    QFileDialog chooser(this, QStringLiteral("Kintlévőségek exportja"), QStringLiteral("kintlevosegek.csv"),
                        QStringLiteral("CSV fájl (*.csv)"));
    chooser.setObjectName(QStringLiteral("csvFileDialog"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setDefaultSuffix(QStringLiteral("csv"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString file = chooser.selectedFiles().constFirst();
    runAction(m_context.ui, [&] {
        m_model.exportCsv(file);
        m_context.ui.message(QStringLiteral("A kintlévőségek listája elkészült: %1").arg(file));
    });
}

void ReceivablesDialog::printReminder()
{
    const QModelIndex current = m_tree->currentIndex();
    if (!current.isValid()) {
        m_context.ui.message(QStringLiteral("Válassza ki a vevőt (vagy egy számláját), akinek a felszólítás készül."));
        return;
    }
    const QString customer = current.data(ReceivablesTreeModel::kCustomerRole).toString();
    runAction(m_context.ui, [&] { m_model.printReminder(customer); });
}

ReminderMailDialog::ReminderMailDialog(mail::ReminderMailScreen* model, QWidget* parent) : QDialog(parent), m_model(model)
{
    model->setParent(this);
    const QString customer = model->customerText();
    const std::vector<ReminderLetter>& letters = model->letters();
    const QString& addresses = model->addresses();
    setObjectName(QStringLiteral("TEmailFelszolitas"));
    setWindowTitle(QStringLiteral("Fizetési felszólítás küldése e-mailben"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1 fizetési felszólítása, %2 levélben:").arg(customer).arg(letters.size()), this));
    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("letterList"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("Kibocsátó"), QStringLiteral("Számlák"), QStringLiteral("Hátralék")});
    for (const ReminderLetter& letter : letters)
        new QTreeWidgetItem(list, {letter.issuerName, letter.numbers.join(QStringLiteral(", ")),
                                   letter.totals.join(QStringLiteral("; "))});
    list->resizeColumnToContents(0);
    list->setMinimumHeight(90);
    layout->addWidget(list, 1);
    layout->addWidget(new QLabel(QStringLiteral("Címzett (több cím „;”-vel elválasztva):"), this));
    m_addresses = new QLineEdit(addresses, this);
    m_addresses->setObjectName(QStringLiteral("addresses"));
    m_addresses->setMaxLength(1000);
    m_addresses->setMinimumWidth(420);
    layout->addWidget(m_addresses);
    if (addresses.trimmed().isEmpty()) {
        auto* note = new QLabel(QStringLiteral("A vevőnek nincs megadott e-mail-címe: írja be ide, vagy vegye fel a vevő "
                                               "adatai között (Törzsadatok, Vevők), és a következő küldéskor már itt lesz."),
                                this);
        note->setObjectName(QStringLiteral("noAddressNote"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    addSendButtons(this, layout, QStringLiteral("A felszólítás elküldése"), m_addresses,
                   [this](const QString& addresses) { return m_model->send(addresses); });
    resize(640, 300);
}

void ReceivablesDialog::mailReminder()
{
    const QModelIndex current = m_tree->currentIndex();
    if (!current.isValid()) {
        m_context.ui.message(QStringLiteral("Válassza ki a vevőt (vagy egy számláját), akinek a felszólítás készül."));
        return;
    }
    ScreenRequest request = ScreenRequest::on(current.data(ReceivablesTreeModel::kCustomerRole).toString());
    request.day = m_model.today();
    m_context.opener.open(Screen::ReminderMail, request);
}

} // namespace orvena
