#include "worktables.h"

#include "db/statement.h"

namespace orvena::worktables {

namespace {

const Tables kInvoice{QStringLiteral("szlafej"), QStringLiteral("f"), QStringLiteral("szlasor"), QStringLiteral("s")};
const Tables kDeliveryNote{QStringLiteral("szlevfej"), QStringLiteral("l"), QStringLiteral("szlevsor"),
                           QStringLiteral("e")};
const Tables kProforma{QStringLiteral("dijbfej"), QStringLiteral("f"), QStringLiteral("dijbsor"), QStringLiteral("s")};
const Tables kWork{QStringLiteral("munkafej"), QStringLiteral("f"), QStringLiteral("munkasor"), QStringLiteral("s")};

QStringList lettered(const QString& letter, const QStringList& columns)
{
    QStringList out;
    for (const QString& column : columns)
        out << letter + column;
    return out;
}

// The columns of a copy into a document table: all but the identity and those left out.
QStringList copied(const QStringList& columns, const QStringList& leftOut)
{
    QStringList out;
    for (const QString& column : columns.mid(1))
        if (!leftOut.contains(column, Qt::CaseInsensitive))
            out << column;
    return out;
}

// INSERT INTO to ( columns ) SELECT columns FROM from ..., one statement; rest follows the FROM.
void copyRows(Query& q, const QString& to, const QStringList& toColumns, const QString& from,
              const QStringList& fromColumns, const QString& rest = {})
{
    q.setSql({QStringLiteral("INSERT INTO %1 ( %2 )").arg(to, toColumns.join(QStringLiteral(", "))),
              QStringLiteral("SELECT %1 FROM %2%3").arg(fromColumns.join(QStringLiteral(", ")), from, rest)});
}

using statement::run;

} // namespace

const Tables& tablesOf(Document document)
{
    if (document == Document::Proforma)
        return kProforma;
    return document == Document::Invoice ? kInvoice : kDeliveryNote;
}

const QStringList& headerColumns()
{
    static const QStringList columns{
        QStringLiteral("ID"),     QStringLiteral("Bszam"),     QStringLiteral("Tkelt"),    QStringLiteral("Rkelt"),
        QStringLiteral("Fkelt"),  QStringLiteral("Fizmod"),    QStringLiteral("Megj"),     QStringLiteral("Szerz"),
        QStringLiteral("Prn"),    QStringLiteral("Kerek"),     QStringLiteral("Arfoly"),   QStringLiteral("Pnem"),
        QStringLiteral("nSor"),   QStringLiteral("mKod"),      QStringLiteral("zKod"),     QStringLiteral("zSzam"),
        QStringLiteral("vKod"),   QStringLiteral("vSzam"),     QStringLiteral("aFelhaszn"), QStringLiteral("Memo"),
        QStringLiteral("MemoSzall"), QStringLiteral("MemoVevo")};
    return columns;
}

const QStringList& lineColumns()
{
    static const QStringList columns{
        QStringLiteral("ID"),    QStringLiteral("Bszam"),  QStringLiteral("cKod"),   QStringLiteral("cSzam"),
        QStringLiteral("Megn"),  QStringLiteral("Vtsz"),   QStringLiteral("Menny"),  QStringLiteral("Me"),
        QStringLiteral("Ear"),   QStringLiteral("Pnem"),   QStringLiteral("kAfakod"), QStringLiteral("Afanev"),
        QStringLiteral("Afa"),   QStringLiteral("Alap"),   QStringLiteral("Ado"),    QStringLiteral("Golaj"),
        QStringLiteral("aFelhaszn"), QStringLiteral("Memo")};
    return columns;
}

void fill(StepChain& chain, Query& header, Query& lines, Document from, const QString& number,
          const QString& workNumber)
{
    const Tables& source = tablesOf(from);
    chain.step(QStringLiteral("Hiba: Az DELETE a munkafej -ben "),
               [&] { run(header, QStringLiteral("DELETE FROM munkafej")); });
    chain.step(QStringLiteral("Hiba: Az INSERT %1 -böl -> munkafej -be ").arg(source.header), [&] {
        copyRows(header, kWork.header, lettered(kWork.headerLetter, headerColumns()), source.header,
                 lettered(source.headerLetter, headerColumns()),
                 QStringLiteral(" WHERE %1Bszam = :p1").arg(source.headerLetter));
        header.setText(QStringLiteral("p1"), number);
        header.execute();
    });
    chain.step(QStringLiteral("Hiba: Az DELETE a munkasor -ban "),
               [&] { run(lines, QStringLiteral("DELETE FROM munkasor")); });
    chain.step(QStringLiteral("Hiba: Az INSERT %1 -ból -> munkasor -ba ").arg(source.lines), [&] {
        copyRows(lines, kWork.lines, lettered(kWork.lineLetter, lineColumns()), source.lines,
                 lettered(source.lineLetter, lineColumns()),
                 QStringLiteral(" WHERE %1Bszam = :p1").arg(source.lineLetter));
        lines.setText(QStringLiteral("p1"), number);
        lines.execute();
    });
    chain.step(QStringLiteral("Hiba: Az UPDATE munkafej -ben "),
               [&] { run(header, QStringLiteral("UPDATE munkafej SET fBszam = :p1"), {{"p1", workNumber}}); });
    chain.step(QStringLiteral("Hiba: Az UPDATE munkasor -ban "),
               [&] { run(lines, QStringLiteral("UPDATE munkasor SET sBszam = :p1"), {{"p1", workNumber}}); });
}

const Store& stornoStore()
{
    static const Store store{{QStringLiteral("Prn")}, {}, {QStringLiteral("cSzam"), QStringLiteral("Golaj")}};
    return store;
}

const Store& conversionStore()
{
    static const Store store{{}, {{QStringLiteral("Prn"), QStringLiteral(" ")}}, {QStringLiteral("Golaj")}};
    return store;
}

const Store& proformaStore()
{
    static const Store store{{}, {{QStringLiteral("Prn"), QStringLiteral(" ")}}, {}};
    return store;
}

QStringList storedHeaderColumns(const Store& store)
{
    return lettered(kInvoice.headerLetter, copied(headerColumns(), store.headerLeftOut));
}

QStringList storedLineColumns(const Store& store)
{
    return lettered(kInvoice.lineLetter, copied(lineColumns(), store.linesLeftOut));
}

quint64 storeHeader(StepChain& chain, Query& header, const Store& store)
{
    quint64 inserted = 0;
    chain.step(QStringLiteral("Hiba: Az INSERT munkafej -böl -> szlafej -be "), [&] {
        const QStringList columns = copied(headerColumns(), store.headerLeftOut);
        QStringList values = lettered(kWork.headerLetter, columns);
        for (size_t i = 0; i < store.headerSet.size(); ++i) {
            for (qsizetype at = 0; at < columns.size(); ++at)
                if (columns[at].compare(store.headerSet[i].first, Qt::CaseInsensitive) == 0)
                    values[at] = QStringLiteral(":p%1").arg(i + 1);
        }
        copyRows(header, kInvoice.header, lettered(kInvoice.headerLetter, columns), kWork.header, values);
        for (size_t i = 0; i < store.headerSet.size(); ++i)
            header.setText(QStringLiteral("p%1").arg(i + 1), store.headerSet[i].second);
        header.execute();
        inserted = header.affectedRows();
    });
    return inserted;
}

quint64 storeLines(StepChain& chain, Query& lines, const Store& store)
{
    quint64 inserted = 0;
    chain.step(QStringLiteral("Hiba: Az INSERT munkasor -ból -> szlasor -ba "), [&] {
        const QStringList columns = copied(lineColumns(), store.linesLeftOut);
        copyRows(lines, kInvoice.lines, lettered(kInvoice.lineLetter, columns), kWork.lines,
                 lettered(kWork.lineLetter, columns));
        lines.execute();
        inserted = lines.affectedRows();
    });
    return inserted;
}

} // namespace orvena::worktables
