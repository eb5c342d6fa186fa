#include "savedelete.h"

#include "chainfailure.h"
#include "worklocks.h"

#include "db/sqlname.h"
#include "db/stepchain.h"

#include <optional>

#include <QRegularExpression>

namespace orvena {

QString nextCode(Query& aux, const CodeRule& rule)
{
    // The numeric maximum, not the last code in text order: "9" sorts after "10" as text.
    // Codes that are not plain decimal numbers cannot collide with a new one and are skipped.
    aux.setSql({QStringLiteral("SELECT MAX(CAST(%1 AS UNSIGNED)) AS maxkod FROM %2").arg(rule.column, rule.table),
                QStringLiteral("WHERE %1 REGEXP \"^[0-9]+$\"").arg(rule.column)});
    aux.open();
    const QString highest = aux.fieldText(QStringLiteral("maxkod"));
    const qint64 next = highest.isEmpty() ? 1 : highest.toLongLong() + 1;
    const QString code = QString::number(next);
    if (code.size() > kCodeLength)
        throw CodeOverflowError(
            QStringLiteral("Az új kód (%1) már nem fér el az öt karakteres kód mezőben, ezért az új sor nem menthető!")
                .arg(code));
    return code;
}

QString proposedCode(Query& aux, const CodeRule& rule)
{
    try {
        return nextCode(aux, rule);
    } catch (const Error&) {
        return {};
    }
}

QString appendMemoLine(const QString& memo, const QString& line)
{
    QString out = memo;
    if (!out.isEmpty() && !out.endsWith(QStringLiteral("\r\n")))
        out += QStringLiteral("\r\n");
    return out + line + QStringLiteral("\r\n");
}

QString failureDetail(const Error& error, const QHash<QString, QString>& labels)
{
    if (dynamic_cast<const ConversionError*>(&error))
        return error.text();
    const auto* db = dynamic_cast<const DbError*>(&error);
    if (!db)
        return {};
    static const QRegularExpression columnName(QStringLiteral("column '([^']+)'"));
    const auto m = columnName.match(db->text());
    if (!m.hasMatch())
        return {};
    const QString column = m.captured(1);
    const QString label = labels.value(column.toLower(), column);
    switch (db->code()) {
    case 1406: // data too long
        return QStringLiteral("A(z) \"%1\" mező szövege túl hosszú.").arg(label);
    case 1264: // out of range
        return QStringLiteral("A(z) \"%1\" mező értéke túl nagy.").arg(label);
    case 1048: // cannot be null
        return QStringLiteral("A(z) \"%1\" mező nem lehet üres.").arg(label);
    case 1366: // incorrect value
    case 1292:
        return QStringLiteral("A(z) \"%1\" mező értékét az adatbázis nem fogadta el.").arg(label);
    default:
        return {};
    }
}

namespace {

QString withDetail(const QString& message, const Error& error, const QHash<QString, QString>& labels)
{
    const QString detail = failureDetail(error, labels);
    if (detail.isEmpty())
        return message;
    return message.trimmed() + u'\n' + detail;
}

} // namespace

bool isCodeColumn(const QString& column)
{
    static const QStringList codes = {QStringLiteral("vkod"), QStringLiteral("zkod"), QStringLiteral("kafakod"),
                                      QStringLiteral("mkod"), QStringLiteral("ckod")};
    return codes.contains(column.toLower());
}

bool locateKey(Query& query, const QString& column, const QString& key)
{
    return query.locate(column, key, isCodeColumn(column) ? Query::Match::Exact : Query::Match::Prefix);
}

namespace {

// The labels of the columns whose stored text differs from what the screen read; empty when
// none does or the row is gone.
QStringList changedSinceRead(Query& aux, const ReadRecord& read, const QHash<QString, QString>& labels)
{
    QStringList columns;
    for (const auto& value : read.values)
        columns << quotedName(value.first);
    aux.setSql({QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :p1 FOR UPDATE")
                    .arg(columns.join(QStringLiteral(", ")), quotedName(read.table), quotedName(read.idColumn))});
    aux.setText(QStringLiteral("p1"), read.id);
    aux.open();
    QStringList changed;
    if (aux.isEmpty())
        return changed;
    for (qsizetype i = 0; i < read.values.size(); ++i)
        if (aux.text(0, static_cast<int>(i)) != read.values[i].second)
            changed << labels.value(read.values[i].first.toLower(), read.values[i].first);
    return changed;
}

} // namespace

bool runSave(UserInterface& ui, Query& list, Query& aux, bool isNew, const CodeRule& rule, const SaveTexts& texts,
             const std::function<void(const QString& code)>& write, const ReadRecord* read)
{
    const bool checkRead = !isNew && read && !read->id.isEmpty() && !read->values.isEmpty();
    // The statements run on the list query and close it; a failed save puts it back as it stood.
    const Query::Snapshot before = list.snapshot();
    const auto restoreList = [&] {
        try {
            list.restore(before);
        } catch (const Error&) {
            // the list cannot be read again: it stays closed, its readers say nothing was chosen
        }
    };
    // A new code is taken under the table's code lock until the row is committed, so two
    // workstations saving at once never get the same code; the other one waits a moment.
    std::optional<NamedLock> codeLock;
    // The record's statement runs in a transaction; an edit checked against what was read keeps
    // the row locked from the check to the commit.
    StepChain chain(list);
    bool writing = false; // the failure is the record's own statement's (or its COMMIT's)
    const bool saved = chain.run([&] {
        QString code;
        if (isNew) {
            if (!rule.column.isEmpty()) {
                chain.step(texts.outer, [&] { codeLock.emplace(aux.connection(), worklock::codes(rule.table), 3); });
                if (!codeLock->held())
                    chain.fail(QStringLiteral("Egy másik munkaállomás éppen új sort ment ide, ezért az új kód most "
                                              "nem adható ki. Kérem, nyomja meg újra az \"OK\" gombot."));
                chain.step(texts.outer, [&] {
                    try {
                        code = nextCode(aux, rule);
                    } catch (const CodeOverflowError& e) {
                        chain.fail(e.text());
                    }
                });
            }
        }
        chain.begin(texts.outer);
        if (checkRead) {
            QStringList changed;
            chain.step(texts.outer, [&] { changed = changedSinceRead(aux, *read, texts.labels); });
            if (!changed.isEmpty())
                chain.fail(QStringLiteral("Ezt a sort a megnyitása óta egy másik munkaállomás módosította (%1). A "
                                          "mentés nem történt meg, hogy az ottani módosítás ne vesszen el. Kérem, "
                                          "zárja be a képernyőt, nyissa meg újra a sort, és vigye fel ismét a "
                                          "változtatást.")
                               .arg(changed.join(QStringLiteral(", "))));
        }
        const QString message = isNew ? texts.append : texts.edit;
        writing = true;
        chain.step(message, [&] { write(code); });
        chain.commit(message);
    });
    codeLock.reset();
    if (saved)
        return true;
    // rolled back first: no lock is held while the message waits for the operator
    restoreList();
    StepFailure failure = chain.failure();
    if (writing && failure.cause) {
        try {
            std::rethrow_exception(failure.cause);
        } catch (const Error& e) {
            failure.message = withDetail(failure.message, e, texts.labels);
        }
    }
    tell(ui, failure, texts.outer);
    return false;
}

bool runDelete(UserInterface& ui, Query& list, Query& aux, const DeleteSpec& def)
{
    if (!list.isOpen() || list.isEmpty())
        return false; // nothing to delete, nothing to report
    try {
        const QString key = list.fieldText(def.keyColumn);
        aux.setSql({def.sql});
        aux.setText(QStringLiteral("p1"), key);
        aux.execute();
        ui.message(def.deleted);
        list.refresh();
        return true;
    } catch (const Error& e) {
        showFailure(ui, def.failure, &e);
    }
    return false;
}

qint64 referenceCount(Query& list, Query& aux, const ReferenceGuard& guard)
{
    const QString key = list.isOpen() ? list.fieldText(guard.keyColumn) : QString();
    aux.setSql({guard.sql});
    aux.setText(QStringLiteral("p1"), key);
    aux.open();
    return aux.fieldInt(QStringLiteral("db"));
}

} // namespace orvena
