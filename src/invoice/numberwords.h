#pragma once
// Whole numbers in Hungarian words, as printed after "azaz" on invoices.
#include <QString>
#include <QStringView>

namespace orvena {

// The largest magnitude the words can express (four groups of three digits).
inline constexpr qint64 kLargestNumberInWords = 999'999'999'999;

// One group of exactly three decimal digits ("000" excluded) in words, without group suffix.
QString HungarianGroupWords(QStringView group);

// The value in words: "nulla" for 0, otherwise the groups with their suffixes ("ezer-",
// "millió-", "milliárd-"), ending with a blank or with the hyphen of the last non-zero group.
// Throws Error for a magnitude above kLargestNumberInWords.
QString HungarianNumberWords(qint64 value);

} // namespace orvena
