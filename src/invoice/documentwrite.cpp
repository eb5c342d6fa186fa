#include "documentwrite.h"

#include "db/memotext.h"
#include "db/recordwrite.h"

#include <vector>

namespace orvena {

namespace {

using Kind = RecordColumn::Kind;

// The tables as these statements have always named them (the server reads names without case).
QString headerTable(Document document)
{
    if (document == Document::Proforma)
        return worktables::tablesOf(document).header;
    return document == Document::Invoice ? QStringLiteral("SzlaFej") : QStringLiteral("SzlevFej");
}

QString lineTable(Document document)
{
    if (document == Document::Proforma)
        return worktables::tablesOf(document).lines;
    return document == Document::Invoice ? QStringLiteral("Szlasor") : QStringLiteral("Szlevsor");
}

// A column behind the document's letter and the member that holds its text.
template <typename Record>
struct DocumentColumn {
    const char* column;
    QString Record::*member;
    Kind kind = Kind::Text;
    bool memo = false;       // stored with CR LF line breaks
    bool invoiceOnly = false;
};

template <typename Record, size_t N>
std::vector<RecordValue> valuesOf(const QString& letter, const DocumentColumn<Record> (&columns)[N],
                                  const Record& record, Document document)
{
    std::vector<RecordValue> values;
    for (const DocumentColumn<Record>& c : columns) {
        if (c.invoiceOnly && document == Document::DeliveryNote)
            continue;
        const QString& text = record.*c.member;
        values.push_back({letter + QLatin1String(c.column), c.memo ? memoToDatabase(text) : text, c.kind});
    }
    return values;
}

} // namespace

void prepareHeaderWrite(Query& query, Document document, const DocumentHeader& header, bool isNew)
{
    using H = DocumentHeader;
    static const DocumentColumn<H> columns[] = {
        {"ID", &H::id, Kind::Identity},
        {"bszam", &H::number},
        {"vkod", &H::customerCode},
        {"tkelt", &H::fulfilmentDate},
        {"rkelt", &H::issueDate},
        {"fkelt", &H::dueDate},
        {"fizmod", &H::paymentMethod},
        {"megj", &H::remark},
        {"szerz", &H::contract},
        {"memo", &H::message, Kind::Text, true},
        {"kerek", &H::discount, Kind::Decimal},
        {"arfoly", &H::exchangeRate, Kind::Decimal},
        {"pnem", &H::currency},
        {"vSzam", &H::customerNumber},
        {"MemoVevo", &H::customerBlock, Kind::Text, true},
        {"MemoSzall", &H::issuerBlock, Kind::Text, true},
        {"zKod", &H::issuerCode},
        {"zSzam", &H::issuerNumber},
        {"mKod", &H::dictionaryCode},
    };
    const QString letter = worktables::tablesOf(document).headerLetter;
    std::vector<RecordValue> values = valuesOf(letter, columns, header, document);
    values.push_back({letter + QStringLiteral("prn"), QStringLiteral(" ")}); // not printed yet
    prepareRecordWrite(query, headerTable(document), values, isNew, EditStatement::Replace);
}

void prepareLineWrite(Query& query, Document document, const DocumentLine& line, bool isNew)
{
    using L = DocumentLine;
    static const DocumentColumn<L> columns[] = {
        {"ID", &L::id, Kind::Identity},
        {"bszam", &L::number},
        {"ckod", &L::articleCode},
        {"Megn", &L::name},
        {"vtsz", &L::vtsz},
        {"me", &L::unit},
        {"menny", &L::quantity, Kind::Decimal},
        {"ear", &L::unitPrice, Kind::Decimal, false, true},
        {"memo", &L::note, Kind::Text, true},
        {"AFA", &L::vatRate, Kind::Decimal, false, true},
        {"golaj", &L::gasOil, Kind::Decimal, false, true},
        {"pnem", &L::currency, Kind::Text, false, true},
        {"cSzam", &L::articleNumber},
        {"Afanev", &L::vatName, Kind::Text, false, true},
        {"kAfakod", &L::vatCode, Kind::Text, false, true},
    };
    prepareRecordWrite(query, lineTable(document), valuesOf(worktables::tablesOf(document).lineLetter, columns, line, document),
                       isNew, EditStatement::Replace);
}

} // namespace orvena
