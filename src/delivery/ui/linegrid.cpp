#include "linegrid.h"

namespace orvena::delivery {

std::vector<QueryTableModel::Column> lineGridColumns()
{
    return {{QStringLiteral("eBszam"), QStringLiteral("Bizonylatszám")},
            {QStringLiteral("ecKod"), QStringLiteral("CikkKód")},
            {QStringLiteral("ecSzam"), QStringLiteral("CikkSzám")},
            {QStringLiteral("eMegn"), QStringLiteral("Megnevezés")},
            {QStringLiteral("eVtsz"), QStringLiteral("Vtsz")},
            {QStringLiteral("eMenny"), QStringLiteral("Mennyiség")},
            {QStringLiteral("eMe"), QStringLiteral("Menny.egység")},
            {QStringLiteral("eEar"), QStringLiteral("Egységár")},
            {QStringLiteral("ePnem"), QStringLiteral("Pénznem")},
            {QStringLiteral("ekAfakod"), QStringLiteral("Áfakód")},
            {QStringLiteral("eAfanev"), QStringLiteral("Áfanév")},
            {QStringLiteral("eAfa"), QStringLiteral("Áfa %")},
            {QStringLiteral("eaFelhaszn"), QStringLiteral("Felhasználó")},
            {QStringLiteral("eID"), QStringLiteral("ID")}};
}

} // namespace orvena::delivery
