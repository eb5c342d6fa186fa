#include "statementdialog.h"

#include "db/errors.h"
#include "db/money.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/dialogparts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvena::bank {

namespace {

enum Column { Statement, Date, Kind, Amount, Partner, Remittance, State, Count };

QString suggestionText(const Suggestion& s, const QString& currency)
{
    QStringList parts;
    for (const Allocation& a : s.allocations)
        parts << QStringLiteral("%1 (%2)").arg(a.invoice, amountText(a.amount, currency));
    return QStringLiteral("%1 — %2").arg(parts.join(QStringLiteral(", ")), s.reason);
}

} // namespace

StatementDialog::StatementDialog(ScreenContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_model(context)
{
    setObjectName(QStringLiteral("TBankkivonat"));
    setWindowTitle(QStringLiteral("Bankkivonat"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    addButton(top, QStringLiteral("Beolvasás..."), QStringLiteral("A bank kivonatfájljának (camt.053 XML vagy MT940) beolvasása"),
              QStringLiteral("importButton"), this, [this] { chooseFile(); });
    m_all = new QCheckBox(QStringLiteral("A könyvelt tételek is"), this);
    m_all->setObjectName(QStringLiteral("showAllCheck"));
    connect(m_all, &QCheckBox::toggled, this, [this](bool on) { runAction(m_context.ui, [&] { m_model.setShowAll(on); }); });
    top->addWidget(m_all);
    top->addStretch();
    layout->addLayout(top);

    m_entries = new QTableWidget(this);
    m_entries->setObjectName(QStringLiteral("entriesTable"));
    m_entries->setColumnCount(Count);
    m_entries->setHorizontalHeaderLabels({QStringLiteral("Kivonat"), QStringLiteral("Dátum"), QStringLiteral("Jelleg"),
                                          QStringLiteral("Összeg"), QStringLiteral("Partner"), QStringLiteral("Közlemény"),
                                          QStringLiteral("Állapot")});
    m_entries->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_entries->setSelectionMode(QAbstractItemView::SingleSelection);
    m_entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entries->horizontalHeader()->setStretchLastSection(false);
    m_entries->horizontalHeader()->resizeSection(Remittance, 300);
    m_entries->horizontalHeader()->resizeSection(Partner, 180);
    m_entries->installEventFilter(this);
    connect(m_entries, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (!m_showing)
            m_model.setCurrent(row);
    });
    layout->addWidget(m_entries, 3);

    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("detailsLabel"));
    m_details->setWordWrap(true);
    layout->addWidget(m_details);
    layout->addWidget(new QLabel(QStringLiteral("Javasolt számlák (a legjobb elöl; Enter: könyvelés):"), this));
    m_suggestions = new QListWidget(this);
    m_suggestions->setObjectName(QStringLiteral("suggestionsList"));
    m_suggestions->installEventFilter(this);
    connect(m_suggestions, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_showing)
            m_model.choose(row);
    });
    layout->addWidget(m_suggestions, 1);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const QString& hint, const QString& name, auto action) {
        return addButton(buttons, text, hint, name, this, action);
    };
    add(QStringLiteral("Könyvel"), QStringLiteral("A kijelölt javaslat könyvelése fizetésként (Enter)"),
        QStringLiteral("bookButton"), [this] { m_model.acceptChosen(); });
    add(QStringLiteral("Felosztás..."), QStringLiteral("Az összeg felosztása a megadott számlák között"),
        QStringLiteral("splitButton"), [this] { split(); });
    add(QStringLiteral("Kihagy"), QStringLiteral("A tétel későbbre hagyása, a következő tétel"), QStringLiteral("leaveButton"),
        [this] { m_model.leave(); });
    add(QStringLiteral("Visszavon"), QStringLiteral("A könyvelt tétel fizetéseinek visszavonása"),
        QStringLiteral("undoButton"), [this] { m_model.undo(); });
    buttons->addStretch();
    add(QStringLiteral("Bezár"), QStringLiteral("Kilépés"), QStringLiteral("closeButton"), [this] { accept(); });
    layout->addLayout(buttons);

    m_model.chooseIssuer = [this](const QString& account, const QStringList& candidates) {
        QInputDialog ask(this);
        ask.setObjectName(QStringLiteral("issuerChooser"));
        ask.setWindowTitle(QStringLiteral("Kibocsátó választása"));
        ask.setLabelText(QStringLiteral("A kivonat számlaszáma (%1) egyik kibocsátó számlaszámával sem egyezik "
                                        "egyértelműen. Melyik kibocsátó számlája?")
                             .arg(account));
        ask.setComboBoxItems(candidates);
        ask.setOkButtonText(QStringLiteral("OK"));
        ask.setCancelButtonText(QStringLiteral("Mégsem"));
        return ask.exec() == QDialog::Accepted ? ask.textValue() : QString();
    };
    connect(&m_model, &StatementScreen::changed, this, [this] { display(); });
    resize(1100, 620);
    runAction(m_context.ui, [this] { m_model.refresh(); });
}

void StatementDialog::display()
{
    m_showing = true;
    const auto& rows = m_model.entries();
    m_entries->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const EntryRow& e = rows[static_cast<size_t>(r)];
        const QString cells[Count] = {e.statement,
                                      e.valueDate.toString(QStringLiteral("yyyy.MM.dd")),
                                      e.credit ? QStringLiteral("jóváírás") : QStringLiteral("terhelés"),
                                      amountText(e.amount, e.currency),
                                      e.name,
                                      e.remittance,
                                      StatementScreen::stateText(e)};
        for (int c = 0; c < Count; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == Amount)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_entries->setItem(r, c, item);
        }
    }
    m_entries->setCurrentCell(m_model.current(), 0);
    m_suggestions->clear();
    const EntryRow* e = m_model.currentEntry();
    if (e && e->booked) {
        m_details->setText(QStringLiteral("Könyvelve: %1").arg(m_model.bookedPayments().join(QStringLiteral("; "))));
    } else if (e) {
        m_details->setText(entryLine(*e) + (e->account.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(e->account)));
        for (const Suggestion& s : m_model.suggestions())
            m_suggestions->addItem(suggestionText(s, e->currency));
        m_suggestions->setCurrentRow(m_model.chosen());
    } else {
        m_details->setText(QStringLiteral("Nincs döntésre váró tétel."));
    }
    m_showing = false;
}

bool StatementDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_entries || watched == m_suggestions) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_model.acceptChosen();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void StatementDialog::chooseFile()
{
    QFileDialog chooser(this, QStringLiteral("Bankkivonat beolvasása"), QString(),
                        QStringLiteral("Bankkivonat (*.xml *.sta *.mt940 *.940 *.txt);;Minden fájl (*)"));
    chooser.setObjectName(QStringLiteral("statementFileDialog"));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    importFile(chooser.selectedFiles().constFirst());
}

void StatementDialog::importFile(const QString& path)
{
    QProgressDialog progress(QStringLiteral("A kivonat tételeinek tárolása..."), QString(), 0, 100, this);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QStringLiteral("Bankkivonat beolvasása"));
    progress.setMinimumDuration(500);
    progress.setWindowModality(Qt::WindowModal);
    m_model.importFile(path, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    progress.reset();
}

void StatementDialog::split()
{
    const EntryRow* e = m_model.currentEntry();
    if (!e)
        return;
    if (e->booked || !e->credit || e->reversal) {
        m_context.ui.message(e->booked ? QStringLiteral("Ez a tétel már le van könyvelve.")
                                       : QStringLiteral("Terhelés és sztornó nem könyvelhető számla fizetéseként."));
        return;
    }
    const auto& suggestions = m_model.suggestions();
    const std::vector<Allocation> proposal =
        m_model.chosen() >= 0 ? suggestions[static_cast<size_t>(m_model.chosen())].allocations : std::vector<Allocation>();
    SplitDialog dialog(*e, proposal, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    runAction(m_context.ui, [&] { m_model.book(dialog.allocations()); });
}

SplitDialog::SplitDialog(const EntryRow& entry, const std::vector<Allocation>& proposal, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TBankFelosztas"));
    setWindowTitle(QStringLiteral("Jóváírás felosztása"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("%1\nA számlák és a rájuk jutó összegek (a maradék nyitva marad):").arg(entryLine(entry)), this));
    m_table = new QTableWidget(8, 2, this);
    m_table->setObjectName(QStringLiteral("splitTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Számla"), QStringLiteral("Összeg")});
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 2; ++c)
            m_table->setItem(r, c, new QTableWidgetItem);
    for (size_t i = 0; i < proposal.size() && i < 8; ++i) {
        m_table->item(static_cast<int>(i), 0)->setText(proposal[i].invoice);
        m_table->item(static_cast<int>(i), 1)->setText(Money::fromFiller(proposal[i].amount).groupedText());
    }
    layout->addWidget(m_table);
    auto* box = new QDialogButtonBox(this);
    box->setObjectName(QStringLiteral("buttonBox"));
    box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    box->addButton(QStringLiteral("Mégsem"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
    resize(420, 360);
}

std::vector<Allocation> SplitDialog::allocations() const
{
    std::vector<Allocation> out;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const QString number = m_table->item(r, 0)->text().trimmed();
        const QString amount = m_table->item(r, 1)->text().trimmed();
        if (number.isEmpty() && amount.isEmpty())
            continue;
        if (number.isEmpty())
            throw ConversionError(QStringLiteral("A(z) %1. sorban hiányzik a számla száma.").arg(r + 1));
        out.push_back({number, Money::parse(amount).filler()});
    }
    return out;
}

} // namespace orvena::bank
