#include "dictionary.h"

#include "db/conversions.h"
#include "screens/common/chainfailure.h"
#include "screens/common/savedelete.h"

#include <set>

namespace orvena {

namespace dictionary {

const std::vector<Column>& columns()
{
    static const std::vector<Column> all = {
        {"mID", "ID", "ID"},
        {"mkod", "Kód", "Kód"},
        {"mtipus", "Tipus", "Tipus"},
        {"mnyelv", "Nyelv", "Nyelv"},
        {"mmegnev", "Szótárnév", "Megnevezés"},
        {"mSzamla", "Számla", "Számla"},
        {"mSzlevel", "Szállitólevel", "Szlevél"},
        {"mMasolatipld", "Másolatipld", "Másolatipld"},
        {"mEredeti", "Eredeti", "Eredeti"},
        {"mpeldany", "Példány", "Példány"},
        {"mSzallito", "Szállitó", "Szállitó"},
        {"mVevo", "Vevö", "Vevö"},
        {"mFizmod", "Fiz.mód", "Fizmod"},
        {"mTkelt", "Telj.kelte", "Tkelt"},
        {"mRkelt", "Rögzités kelte", "Rkelt"},
        {"mFkelt", "Fizetés kelte", "Fkelt"},
        {"mBszam", "Bizonylatszám", "Biz.szám"},
        {"mMegj", "Megjegyzés", "Megjegyzés"},
        {"mSzerz", "Szerződés", "Szerz.száma"},
        {"mMegn", "Megnevezés", "Megnevezés"},
        {"mVtsz", "Vtsz/Szj", "Vtsz"},
        {"mMe", "Mennyiség egység", "M.egység"},
        {"mMenny", "Mennyiség", "Mennyiség"},
        {"mEar", "Egységár", "E.ár"},
        {"mNetto", "Netto érték", "Netto"},
        {"mAfaszaz", "Áfa %", "Áfa %"},
        {"mAfa", "Áfa", "Áfa"},
        {"mBrutto", "Brutto érték", "Brutto"},
        {"mPnem", "Pénznem", "Pénznem"},
        {"mOsszesen", "Összesen", "Összesen"},
        {"mFizetendo", "Fizetendö", "Fizetendö"},
        {"mAzaz", "Azaz", "Azaz"},
        {"mAdoosszesites", "Adóösszesités", "Adóösszesités"},
        {"mAlap", "Adóalap", "Alap"},
        {"mAdo", "Adó", "Adó"},
    };
    return all;
}

bool isPrintableCode(const QString& code)
{
    return code.size() == 5 && !codeType(code).isEmpty();
}

QString codeType(const QString& code)
{
    if (code.size() != 5 || (code.back() != u'2' && code.back() != u'3'))
        return {};
    return QString(code.back());
}

namespace {

bool isDigits(const QString& text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}

QString codeOf(int prefix, const QString& type)
{
    return QStringLiteral("%1").arg(prefix, 4, 10, QLatin1Char('0')) + type;
}

} // namespace

QString proposeCode(const QStringList& codesInUse, const QString& type)
{
    std::set<QString> taken;
    int highest = -1;
    for (const QString& code : codesInUse) {
        taken.insert(code.toUpper());
        if (code.size() == 5 && isDigits(code))
            highest = std::max(highest, code.left(4).toInt());
    }
    if (highest < 9999)
        return codeOf(highest + 1, type);
    for (int prefix = 0; prefix <= 9999; ++prefix)
        if (!taken.count(codeOf(prefix, type)))
            return codeOf(prefix, type);
    return {};
}

} // namespace dictionary

using namespace dictionary;

namespace {

// The columns of the write statements, in parameter order (:p0 = mID ... :p34 = mSzlevel).
const QStringList& statementColumns()
{
    static const QStringList all = {
        "mID",        "mKod",      "mTipus",     "mNyelv",    "mMegnev",    "mSzamla",  "mMasolatipld",
        "mEredeti",   "mPeldany",  "mSzallito",  "mVevo",     "mFizmod",    "mTkelt",   "mRkelt",
        "mFkelt",     "mBszam",    "mMegj",      "mSzerz",    "mMegn",      "mVtsz",    "mMe",
        "mMenny",     "mEar",      "mNetto",     "mAfaszaz",  "mAfa",       "mBrutto",  "mPnem",
        "mOsszesen",  "mFizetendo", "mAzaz",     "mAdoosszesites", "mAlap", "mAdo",     "mSzlevel"};
    return all;
}

// The edit-screen field of a statement column (the statements spell some names differently).
QString fieldKeyOf(const QString& column)
{
    for (const Column& c : columns())
        if (c.field.compare(column, Qt::CaseInsensitive) == 0)
            return c.field;
    return column;
}

} // namespace

ListSpec dictionaryListSpec()
{
    ListSpec def;
    def.table = kTable;
    def.listQuery = role::kDictionaryList;
    def.createSql = QStringLiteral("SELECT * FROM mezonev ORDER BY mKod");
    def.showSql = QStringLiteral("SELECT * FROM mezonev ORDER BY mKod");
    def.showLocateColumn = QStringLiteral("mkod");
    for (const Column& c : columns())
        def.columns.push_back({c.field, c.listTitle});
    // the titles do not sort: no sort options
    def.editScreen = Screen::DictionaryEdit;
    def.remove = {QStringLiteral("DELETE FROM mezonev WHERE mID = :p1"), QStringLiteral("mID"),
                   QStringLiteral("A sor törlölve!"), QStringLiteral("Hiba: szótár DELETE törlésekor")};
    return def;
}

DictionaryEdit::DictionaryEdit(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : EditScreen(context, request, kTable, QStringLiteral("Szótár bevitel"), parent)
{
    for (const Column& c : columns()) {
        Field f;
        f.key = c.field;
        f.label = c.editLabel;
        f.readOnly = c.field == u"mID";
        addField(f);
    }
}

bool DictionaryEdit::fill()
{
    try {
        const Query& list = m_context.data.query(role::kDictionaryList);
        if (!list.isOpen())
            throw DbError(QStringLiteral("Nincs kiválasztott sor: a(z) %1 lista nincs megnyitva.").arg(role::kDictionaryList));
        setModifyTitle(kModifyMode);
        fillFromRow(list);
        m_filledCode = field(QStringLiteral("mkod"));
        return true;
    } catch (const Error& e) {
        showFailure(m_context.ui, QStringLiteral("Hiba a szótár módosítás Edit-ben való megjelenitésekor!"), &e);
        return false;
    }
}

void DictionaryEdit::show()
{
    if (isNew())
        setField(QStringLiteral("mkod"), proposal(QStringLiteral("2")));
}

QString DictionaryEdit::proposal(const QString& type)
{
    try {
        Query aux(m_context.data.connection(), QStringLiteral("dictionaryAux"));
        aux.setSql({QStringLiteral("SELECT mkod FROM mezonev")});
        aux.open();
        QStringList codes;
        for (int r = 0; r < aux.rowCount(); ++r)
            codes << aux.text(r, 0);
        return proposeCode(codes, type);
    } catch (const Error&) {
        return {};
    }
}

void DictionaryEdit::copy()
{
    if (titleMode() != TitleMode::Modify) {
        m_context.ui.message(QStringLiteral("Csak a szótár módosításban! "));
        return;
    }
    const QString type = codeType(m_filledCode);
    copyRecord(QStringLiteral("mmegnev"), QString());
    setField(QStringLiteral("mkod"), proposal(type.isEmpty() ? QStringLiteral("2") : type));
}

std::vector<EditScreen::Check> DictionaryEdit::checks() const
{
    return {{QStringLiteral("mtipus"), QStringLiteral("Nincs megadva a tipus!")},
            {QStringLiteral("mnyelv"), QStringLiteral("Nincs megadva a nyelv!")},
            {QStringLiteral("mmegnev"), QStringLiteral("Nincs megadva a megnevezés!")}};
}

bool DictionaryEdit::refuseCode(const QString& message)
{
    m_context.ui.message(message);
    emit focusRequested(QStringLiteral("mkod"));
    return false;
}

bool DictionaryEdit::codeAcceptable()
{
    const QString code = field(QStringLiteral("mkod"));
    // a label set being modified may keep the code it has, printable or not
    if (!isNew() && code == m_filledCode)
        return true;
    if (code.size() != 5)
        return refuseCode(QStringLiteral("A szótár kódja pontosan 5 karakter legyen!"));
    if (codeType(code).isEmpty())
        return refuseCode(QStringLiteral("A szótár kódjának 5. karaktere a szótár típusa: 2 (egész forint) vagy "
                                         "3 (fillér) lehet!"));
    Query aux(m_context.data.connection(), QStringLiteral("dictionaryAux"));
    aux.setSql({QStringLiteral("SELECT mID FROM mezonev WHERE mkod = :p0")});
    aux.setText(QStringLiteral("p0"), code);
    aux.open();
    const QString ownId = isNew() ? QString() : field(QStringLiteral("mID"));
    for (int r = 0; r < aux.rowCount(); ++r)
        if (aux.text(r, 0) != ownId)
            return refuseCode(QStringLiteral("A(z) %1 kód már egy másik szótáré, adjon meg másik kódot!").arg(code));
    return true;
}

bool DictionaryEdit::save()
{
    SaveTexts texts{QStringLiteral("Hiba: Újban, INSERT-append a szótárban "),
                    QStringLiteral("Hiba: Újban, INSERT-edit az szótárban "),
                    QStringLiteral("Hiba az append vagy edit közben a szótárban!")};
    texts.labels = labels();
    try {
        if (!codeAcceptable())
            return false;
    } catch (const Error& e) {
        showFailure(m_context.ui, texts.outer, &e); // the code look-up failed: the screen stays open
        return false;
    }

    Query& list = m_context.data.query(role::kDictionaryList);
    Query aux(m_context.data.connection(), QStringLiteral("dictionaryAux"));
    const bool isNewSet = isNew();
    qint64 savedId = 0;
    const ReadRecord read = readRecord(QStringLiteral("mID"));
    const bool saved = runSave(m_context.ui, list, aux, isNewSet, CodeRule{kTable, QString()}, texts,
                               [&](const QString&) {
        std::vector<RecordColumn> written;
        for (const QString& column : statementColumns())
            written.push_back({column});
        prepareRecordWrite(
            list, QStringLiteral("mezonev"), written, [this](const QString& column) { return field(fieldKeyOf(column)); },
            isNewSet, EditStatement::Replace);
        list.execute();
        savedId = isNewSet ? static_cast<qint64>(list.lastInsertId()) : 0;
    }, &read);
    if (!saved)
        return false; // reported; the screen keeps what was typed

    // The list shows the table in its stored order, on the label set just saved; the remembered
    // key takes its code, which is what the list is positioned by when it is next shown.
    const QString id = isNewSet ? QString::number(savedId) : field(QStringLiteral("mID"));
    m_context.state.setRememberedKey(kTable, withoutTrailingBlanks(field(QStringLiteral("mkod"))));
    list.setSql({QStringLiteral("SELECT * FROM mezonev")});
    list.open();
    list.refresh();
    for (int r = 0; r < list.rowCount(); ++r) {
        if (list.text(r, QStringLiteral("mID")) == id) {
            list.setCurrentRow(r);
            break;
        }
    }
    return true;
}

} // namespace orvena
