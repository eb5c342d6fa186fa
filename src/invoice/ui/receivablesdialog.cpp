#include "db/money.h"
#include "receivablesdialog.h"

#include "invoice/invoicetexts.h"
#include "invoicemaildialog.h"

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
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvena {

namespace {

enum Column { Name, Issued, Due, Days, Currency, Payable, Paid, Balance, Count };

// Sorted by the value behind the text (dates, days, amounts), not by the text.
class SortedItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, Qt::UserRole);
        const QVariant b = other.data(column, Qt::UserRole);
        if (a.isValid() && b.isValid())
            return QVariant::compare(a, b) == QPartialOrdering::Less;
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

QString amount(Money value)
{
    return invoice::formatAmount(value.exact());
}

// The overdue colours: from the first day, from the 30th and from the 60th.
QColor overdueColour(int level)
{
    switch (level) {
    case 1: return QColor(255, 244, 179);
    case 2: return QColor(255, 204, 128);
    case 3: return QColor(255, 153, 153);
    default: return {};
    }
}

void setAmount(QTreeWidgetItem* item, int column, Money value)
{
    item->setText(column, amount(value));
    // sorted by the amount, held in fillér
    item->setData(column, Qt::UserRole, value.filler());
    item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

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

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("receivablesTree"));
    m_tree->setColumnCount(Count);
    m_tree->setHeaderLabels({QStringLiteral("Vevő / számla"), QStringLiteral("Kelte"), QStringLiteral("Fiz. határidő"),
                             QStringLiteral("Késés (nap)"), QStringLiteral("Pénznem"), QStringLiteral("Fizetendő"),
                             QStringLiteral("Fizetve"), QStringLiteral("Hátralék")});
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(Name, Qt::AscendingOrder);
    m_tree->header()->resizeSection(Name, 260);
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
        m_tree->setSortingEnabled(false);
        m_tree->clear();
        QHash<QString, QTreeWidgetItem*> customers; // code + currency -> its item
        for (const ReceivableTotal& t : m_model.customerTotals()) {
            auto* item = new SortedItem(m_tree);
            item->setText(Name, QStringLiteral("%1 (%2)").arg(t.customerName, t.customerCode));
            item->setData(Name, Qt::UserRole + 1, t.customerCode);
            item->setText(Days, QString::number(t.maxDaysOverdue));
            item->setData(Days, Qt::UserRole, t.maxDaysOverdue);
            item->setText(Currency, t.currency);
            setAmount(item, Balance, t.balance);
            QFont bold = item->font(Name);
            bold.setBold(true);
            for (int c = 0; c < Count; ++c)
                item->setFont(c, bold);
            item->setExpanded(true);
            customers.insert(t.customerCode + u'\x1f' + t.currency, item);
        }
        for (const Receivable& r : m_model.rows()) {
            auto* item = new SortedItem(customers.value(r.customerCode + u'\x1f' + r.currency));
            item->setText(Name, r.number);
            item->setData(Name, Qt::UserRole + 1, r.customerCode);
            item->setText(Issued, formatDate(r.issued));
            item->setData(Issued, Qt::UserRole, r.issued);
            item->setText(Due, formatDate(r.due));
            item->setData(Due, Qt::UserRole, r.due);
            item->setText(Days, QString::number(r.daysOverdue));
            item->setData(Days, Qt::UserRole, r.daysOverdue);
            item->setText(Currency, r.currency);
            setAmount(item, Payable, r.payable);
            setAmount(item, Paid, r.paid);
            setAmount(item, Balance, r.balance);
            if (const QColor colour = overdueColour(overdueLevel(r.daysOverdue)); colour.isValid())
                for (int c = 0; c < Count; ++c)
                    item->setBackground(c, colour);
        }
        m_tree->expandAll();
        m_tree->setSortingEnabled(true);
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
    QTreeWidgetItem* current = m_tree->currentItem();
    if (!current) {
        m_context.ui.message(QStringLiteral("Válassza ki a vevőt (vagy egy számláját), akinek a felszólítás készül."));
        return;
    }
    const QString customer = current->data(Name, Qt::UserRole + 1).toString();
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
    QTreeWidgetItem* current = m_tree->currentItem();
    if (!current) {
        m_context.ui.message(QStringLiteral("Válassza ki a vevőt (vagy egy számláját), akinek a felszólítás készül."));
        return;
    }
    ScreenRequest request = ScreenRequest::on(current->data(Name, Qt::UserRole + 1).toString());
    request.day = m_model.today();
    m_context.opener.open(Screen::ReminderMail, request);
}

} // namespace orvena
