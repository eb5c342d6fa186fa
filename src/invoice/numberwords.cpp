#include "numberwords.h"

#include "db/errors.h"

namespace orvena {

namespace {

// Indexed by the digit value; digit 0 is never looked up.
const QString kUnits[10] = {{},
                            QStringLiteral("egy"),
                            QStringLiteral("kettö"),
                            QStringLiteral("három"),
                            QStringLiteral("négy"),
                            QStringLiteral("öt"),
                            QStringLiteral("hat"),
                            QStringLiteral("hét"),
                            QStringLiteral("nyolc"),
                            QStringLiteral("kilenc")};
const QString kTens[10] = {{},
                           QStringLiteral("tizen"),
                           QStringLiteral("huszon"),
                           QStringLiteral("harminc"),
                           QStringLiteral("negyven"),
                           QStringLiteral("ötven"),
                           QStringLiteral("hatvan"),
                           QStringLiteral("hetven"),
                           QStringLiteral("nyolcvan"),
                           QStringLiteral("kilencven")};
// By the number of digits left (this group included) divided by three.
const QString kSuffixes[5] = {{},
                              QStringLiteral(" "),
                              QStringLiteral("ezer-"),
                              QStringLiteral("millió-"),
                              QStringLiteral("milliárd-")};

int digitAt(QStringView group, int i)
{
    const int d = group.at(i).digitValue();
    if (d < 0)
        throw Error(QStringLiteral("'%1' nem háromjegyű számcsoport").arg(group.toString()));
    return d;
}

} // namespace

QString HungarianGroupWords(QStringView group)
{
    if (group.size() != 3)
        throw Error(QStringLiteral("'%1' nem háromjegyű számcsoport").arg(group.toString()));
    const int h = digitAt(group, 0);
    const int t = digitAt(group, 1);
    const int u = digitAt(group, 2);

    QString result;
    if (h >= 2)
        result = kUnits[h];
    if (h >= 1)
        result += QStringLiteral("száz");
    if (t == 1 && u == 0)
        return result + QStringLiteral("tíz");
    if (t == 2 && u == 0)
        return result + QStringLiteral("húsz");
    if (t >= 1)
        result += kTens[t];
    if (u >= 1)
        result += kUnits[u];
    return result;
}

QString HungarianNumberWords(qint64 value)
{
    if (value == 0)
        return QStringLiteral("nulla");
    if (value > kLargestNumberInWords || value < -kLargestNumberInWords)
        throw Error(QStringLiteral("A(z) %1 összeg túl nagy ahhoz, hogy betűvel kiírható legyen.").arg(value));

    QString result = value < 0 ? QStringLiteral("mínusz ") : QString();
    QString digits = QString::number(value < 0 ? -value : value);
    while (digits.size() % 3 != 0)
        digits.prepend(u'0');
    while (!digits.isEmpty()) {
        const QStringView group = QStringView(digits).left(3);
        if (group != u"000")
            result += HungarianGroupWords(group) + kSuffixes[digits.size() / 3];
        digits.remove(0, 3);
    }
    return result;
}

} // namespace orvena
