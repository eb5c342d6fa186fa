#pragma once
// The label dictionary: the list of label sets (TForm17 "Szótár", also the "Nyelv" chooser of
// the documents) and the edit screen of one label set (TForm18 "Szótár bevitel") with its 35
// fields. A label set's code has five characters, the fifth being its type ("2" whole forints,
// "3" hundredths), which printing needs; new codes are proposed that way and checked on "OK".
#include "db/queryroles.h"
#include "screens/common/editscreen.h"
#include "screens/common/listscreen.h"

namespace orvena {

namespace dictionary {

inline const QString kTable = QStringLiteral("mezonev");
inline const QString kModifyMode = QStringLiteral("Szótár módositás");

struct Column {
    QString field;     // column of mezonev
    QString editLabel; // label on the edit screen
    QString listTitle; // title in the list
};
// The 35 columns in the order of the edit screen and the list.
const std::vector<Column>& columns();

// A label-set code that printing can use: five characters, the fifth "2" or "3".
bool isPrintableCode(const QString& code);
// The type of a code ("2" or "3"), empty when it has none.
QString codeType(const QString& code);
// The proposal for a new label set of the given type: the first four characters of the
// five-digit codes in use, as a number, the highest plus one, followed by the type ("00003" ->
// "00012" / "00013"); when that runs out of four digits, the lowest free one. Empty when every
// code of that type is taken.
QString proposeCode(const QStringList& codesInUse, const QString& type);

} // namespace dictionary

ListSpec dictionaryListSpec();

class DictionaryEdit : public EditScreen {
    Q_OBJECT
public:
    DictionaryEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);

    bool fill() override;
    void show() override;

    // "Másolat készítés": only on a label set being modified; the copy gets a new proposal of
    // the source's type.
    void copy();

    // The code proposed for a new label set of this type, read from the table (empty when the
    // table cannot be read: the operator then types one).
    QString proposal(const QString& type);

protected:
    std::vector<Check> checks() const override;
    bool save() override;

private:
    // The code checks of "OK"; false after a refusal (message shown, focus on Kód).
    bool codeAcceptable();
    bool refuseCode(const QString& message);

    QString m_filledCode; // the code the label set had when the screen was filled
};

} // namespace orvena
