#include "sequences.h"

#include "db/conversions.h"
#include "db/errors.h"

namespace orvena {

namespace {

QString readLastNumber(Query& query, const QString& sequenceKey, bool lock)
{
    QStringList sql{QStringLiteral("SELECT * FROM Sorszam WHERE aKod = :p1")};
    if (lock)
        sql << QStringLiteral("FOR UPDATE");
    query.setSql(sql);
    query.setText(QStringLiteral("p1"), sequenceKey);
    query.open();
    // A missing row reads as the empty text, which the conversion refuses.
    return query.fieldText(QStringLiteral("aBszam"));
}

} // namespace

QString numberAfter(const QString& lastNumber)
{
    const qint64 next = qint64(parseInt32(lastNumber)) + 1;
    return QString::number(next);
}

QString nextDocumentNumber(Query& query, const QString& sequenceKey)
{
    return numberAfter(readLastNumber(query, sequenceKey, false));
}

QString lockSequence(Query& query, const QString& sequenceKey)
{
    const QString last = readLastNumber(query, sequenceKey, true);
    parseInt32(last); // refuse a row that holds no number before anything is written
    return last;
}

void storeDocumentNumber(Query& query, const QString& sequenceKey, const QString& number)
{
    query.setSql({QStringLiteral("UPDATE Sorszam SET aBszam = :p1 WHERE aKod = :p2")});
    query.setText(QStringLiteral("p1"), number);
    query.setText(QStringLiteral("p2"), sequenceKey);
    query.execute();
    if (query.affectedRows() == 0) {
        // MariaDB counts changed rows only: an unchanged value is no error, a missing row is.
        Query& check = query;
        check.setSql({QStringLiteral("SELECT aBszam FROM Sorszam WHERE aKod = :p2")});
        check.setText(QStringLiteral("p2"), sequenceKey);
        check.open();
        if (check.isEmpty())
            throw DbError(QStringLiteral("A(z) \"%1\" sorszám sor hiányzik a sorszam táblából.").arg(sequenceKey));
        check.close();
    }
}

QString nextDocumentNumber(Connection& connection, const QString& sequenceKey)
{
    Query query(connection, QStringLiteral("sequence"));
    return nextDocumentNumber(query, sequenceKey);
}

QString lockSequence(Connection& connection, const QString& sequenceKey)
{
    Query query(connection, QStringLiteral("sequence"));
    return lockSequence(query, sequenceKey);
}

void storeDocumentNumber(Connection& connection, const QString& sequenceKey, const QString& number)
{
    Query query(connection, QStringLiteral("sequence"));
    storeDocumentNumber(query, sequenceKey, number);
}

} // namespace orvena
