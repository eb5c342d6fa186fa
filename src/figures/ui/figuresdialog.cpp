#include "figuresdialog.h"

#include "screens/common/ui/dialogparts.h"
#include "figureschart.h"

#include "db/conversions.h"
#include "figures/figuresprint.h"
#include "db/outputfile.h"
#include "screens/common/dispatcher.h"
#include "screens/common/ui/screenregistry.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

FiguresDialog::FiguresDialog(ScreenContext& context, QWidget* parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("TKimutatasok"));
    setWindowTitle(QStringLiteral("Kimutatások"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    const QDate today = QDate::currentDate();
    m_from = new QLineEdit(formatDate(QDate(today.year(), 1, 1)), this);
    m_from->setObjectName(QStringLiteral("fromField"));
    m_to = new QLineEdit(formatDate(today), this);
    m_to->setObjectName(QStringLiteral("toField"));
    for (QLineEdit* e : {m_from, m_to})
        e->setMaximumWidth(110);
    m_view = new QComboBox(this);
    m_view->setObjectName(QStringLiteral("viewBox"));
    for (figures::View v : {figures::View::Month, figures::View::Customer, figures::View::Article, figures::View::Vat})
        m_view->addItem(figures::viewTitle(v), int(v));
    auto* show = makeButton(QStringLiteral("Frissít"), {}, QStringLiteral("refreshButton"), this);
    top->addWidget(new QLabel(QStringLiteral("Számla kelte:"), this));
    top->addWidget(m_from);
    top->addWidget(new QLabel(QStringLiteral("-"), this));
    top->addWidget(m_to);
    top->addWidget(m_view);
    top->addWidget(show);
    top->addStretch();
    layout->addLayout(top);

    m_chart = new QChartView(new QChart, this);
    m_chart->setObjectName(QStringLiteral("chart"));
    m_chart->setMinimumHeight(260);
    m_chart->chart()->legend()->setAlignment(Qt::AlignBottom);
    layout->addWidget(m_chart, 1);

    auto* grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("grid"));
    m_model = new QStandardItemModel(this);
    grid->setModel(m_model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    layout->addWidget(grid, 1);

    auto* bottom = new QHBoxLayout;
    auto* print = makeButton(QStringLiteral("Nyomtatás"), {}, QStringLiteral("printButton"), this);
    auto* csv = makeButton(QStringLiteral("CSV export"), {}, QStringLiteral("csvButton"), this);
    auto* accounting = makeButton(QStringLiteral("Könyvelői export"), {}, QStringLiteral("accountingButton"), this);
    auto* close = makeButton(QStringLiteral("Bezár"), {}, QStringLiteral("closeButton"), this);
    bottom->addWidget(print);
    bottom->addWidget(csv);
    bottom->addWidget(accounting);
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(show, &QPushButton::clicked, this, &FiguresDialog::refresh);
    connect(m_view, &QComboBox::currentIndexChanged, this, &FiguresDialog::refresh);
    connect(print, &QPushButton::clicked, this, &FiguresDialog::print);
    connect(csv, &QPushButton::clicked, this, &FiguresDialog::exportCsv);
    connect(accounting, &QPushButton::clicked, this, &FiguresDialog::exportAccounting);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(960, 720);
    refresh();
}

bool FiguresDialog::readPeriod(figures::Period& period)
{
    if (!isValidDate(m_from->text()) || !isValidDate(m_to->text())) {
        m_context.ui.message(QStringLiteral("Az időszakot éééé.hh.nn alakban adja meg!"));
        return false;
    }
    period = {parseDate(m_from->text()), parseDate(m_to->text())};
    if (period.from > period.to) {
        m_context.ui.message(QStringLiteral("Az időszak kezdete későbbi, mint a vége!"));
        return false;
    }
    return true;
}

void FiguresDialog::refresh()
{
    figures::Period period;
    if (!readPeriod(period))
        return;
    runAction(m_context.ui, [&] {
        m_table = figures::compute(m_context.data, figures::View(m_view->currentData().toInt()), period);
    });
    m_model->clear();
    m_model->setHorizontalHeaderLabels(m_table.labelHeaders + figures::amountHeaders());
    auto addRow = [this](const figures::Row& row) {
        QList<QStandardItem*> items;
        for (const QString& l : row.labels)
            items << new QStandardItem(l);
        for (const QString& a : {figures::displayAmount(row.net), figures::displayAmount(row.vat),
                                 figures::displayAmount(row.gross()), QString::number(row.invoices)}) {
            auto* item = new QStandardItem(a);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            items << item;
        }
        m_model->appendRow(items);
    };
    for (const figures::Row& row : m_table.rows)
        addRow(row);
    addRow(m_table.total);

    // The chart follows the view.
    fillChart(*m_chart->chart(), m_table);
}

void FiguresDialog::print()
{
    // The chart drawn anew at the size of the template's picture box.
    runAction(m_context.ui,
              [this] { figures::print(m_context, m_table, chartPicture(m_table, figures::kChartPrintSize)); });
}

QString FiguresDialog::askFile(const QString& title, const QString& suggested)
{
    QFileDialog dialog(this, title, suggested, QStringLiteral("CSV (*.csv)"));
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void FiguresDialog::exportCsv()
{
    const QString path = askFile(QStringLiteral("CSV export"), QStringLiteral("kimutatas.csv"));
    if (path.isEmpty())
        return;
    runAction(m_context.ui, [&] {
        OutputFile::write(path, figures::toCsv(m_table));
        m_context.ui.message(QStringLiteral("A kimutatás elkészült: %1").arg(path));
    });
}

void FiguresDialog::exportAccounting()
{
    figures::Period period;
    if (!readPeriod(period))
        return;
    const QString path = askFile(QStringLiteral("Könyvelői export"), QStringLiteral("konyveles.csv"));
    if (path.isEmpty())
        return;
    runAction(m_context.ui, [&] {
        const QByteArray csv = figures::accountingCsv(m_context.data, period);
        OutputFile::write(path, csv);
        m_context.ui.message(QStringLiteral("A könyvelői export elkészült: %1 (%2 számla)").arg(path).arg(csv.count('\n') - 1));
    });
}

QDialog* createFiguresDialog(ScreenContext& context, QWidget* parent)
{
    return new FiguresDialog(context, parent);
}

} // namespace orvena
