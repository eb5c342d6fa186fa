// The header-block composer of customers and issuers against the real database: the fill from
// the shared list query, the drag-and-drop rules between the lists, ">>" with and without the
// one-line check box, and "OK" storing the block for the record's code.
#include "support/fakes.h"

#include "masterdata/headerblockcomposer.h"

#include <QTest>

using namespace orvena;
using Party = HeaderBlockComposer::Party;
using Place = HeaderBlockComposer::Place;

namespace {

QStringList tickTexts(const HeaderBlockComposer& c)
{
    QStringList out;
    for (const auto& e : c.tickList())
        out << e.text;
    return out;
}

// Moves the field-list entry with this text to the tick list and ticks it there.
void tick(HeaderBlockComposer& c, const QString& text)
{
    const int index = static_cast<int>(c.fieldList().indexOf(text));
    QVERIFY2(index >= 0, qPrintable(text));
    QVERIFY(c.drop(Place::FieldList, Place::TickList, index));
    c.setTicked(static_cast<int>(c.tickList().size()) - 1, true);
}

} // namespace

class HeaderBlockTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TestSession> s;

    void openCustomers(const QString& code)
    {
        Query& list = s->data.query(QStringLiteral("ZQ30"));
        list.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vKod")});
        DB_VERIFY(list.open());
        QVERIFY(list.locate(QStringLiteral("vKod"), code));
    }

private slots:
    void initTestCase() { s = std::make_unique<test::TestSession>(); }
    void init()
    {
        s->db.reset();
        s->ui.clear();
        s->db.exec(QStringLiteral(
            "INSERT INTO vevo (vKod, vSzam, vNeve, vIrszam, vHely, vUtca, vTel, vEmail, vAdo, vKado, vBanknev, "
            "vBankszla, vIBAN, vSwift, vUzen, vMemoVevo) VALUES "
            "('1', 'V-1', 'Kovács Kft.', '1111', 'Budapest', 'Fő utca 1.', '', 'kovacs@pelda.hu', '12345678-2-41', '', "
            "'OTP', '11700000-1', '', '', 'Budapest', CONCAT('Kovács Kft.', CHAR(13, 10), '1111 Budapest')),"
            "('2', 'V-2', 'Szabó Bt.', '6720', 'Szeged', 'Tisza L. krt. 5.', '', '', '', '', '', '', '', '', '', ''),"
            "('2', 'V-2b', 'Szabó Bt. telephely', '6721', 'Szeged', 'Kossuth u. 2.', '', '', '', '', '', '', '', '', '', 'régi')"));
        s->db.exec(QStringLiteral(
            "INSERT INTO szallito (zKod, zSzam, zNev1, zNev2, zIrszam, zHely, zUtca, zTel, zEmail, zAdo, zKado, "
            "zBanknev, zBankszla, zBanknev2, zBankszla2, zIBAN, zSwift, zKiallito, zFax, zMemoSzall) VALUES "
            "('7', 'SZ-7', 'Mérleg Zrt.', 'Kereskedelmi iroda', '9021', 'Győr', 'Baross út 3.', '96/123', "
            "'iroda@merleg.hu', '87654321-2-08', '', 'K&H', '10400000-1', 'OTP', '11700000-2', 'HU00', 'OKHB', "
            "'Nagy Éva', '96/124', 'Mérleg Zrt.')"));
    }

    void fillTakesTheCurrentRowOfTheList()
    {
        openCustomers(QStringLiteral("1"));
        HeaderBlockComposer c(s->context, Party::Customer);
        QCOMPARE(c.title(), QStringLiteral("Vevő cimke összeállítása"));
        QVERIFY(c.fill());
        QCOMPARE(c.title(), QStringLiteral("Vevö cimke összeállítás"));
        const QString id = s->db.scalar(QStringLiteral("SELECT vID FROM vevo WHERE vSzam = 'V-1'"));
        QCOMPARE(c.fieldList(), (QStringList{"Kovács Kft.", "1111", "Budapest", "Fő utca 1.", "", "kovacs@pelda.hu",
                                             "12345678-2-41", "", "OTP", "11700000-1", "", "", "Budapest", id, "1",
                                             "V-1"}));
        QCOMPARE(c.block(), QStringLiteral("Kovács Kft.\n1111 Budapest"));
        QVERIFY(c.tickList().empty());
        QVERIFY(!c.oneLine());

        Query& issuers = s->data.query(QStringLiteral("ZQ60"));
        issuers.setSql({QStringLiteral("SELECT * FROM szallito")});
        DB_VERIFY(issuers.open());
        HeaderBlockComposer i(s->context, Party::Issuer);
        QCOMPARE(i.title(), QStringLiteral("Szállító (kibocsátó) cimke összeállítása"));
        QVERIFY(i.fill());
        QCOMPARE(i.title(), QStringLiteral("Szállító cimke összeállítás"));
        QCOMPARE(i.fieldList().size(), 20);
        QCOMPARE(i.fieldList().first(), QStringLiteral("Mérleg Zrt."));
        QCOMPARE(i.fieldList().mid(16), (QStringList{"7", "SZ-7", "Nagy Éva", "96/124"}));
        QCOMPARE(i.block(), QStringLiteral("Mérleg Zrt."));
        QVERIFY(s->ui.shown().empty());
    }

    void fillFailureKeepsTheScreenClosed()
    {
        s->data.query(QStringLiteral("ZQ30")).close(); // no list has been read
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(!c.fill());
        QCOMPARE(s->ui.texts(), QStringList{"Hiba a vevö cimke ListBox-ban való megjelenitésekor!"});
        s->data.query(QStringLiteral("ZQ60")).close();
        HeaderBlockComposer i(s->context, Party::Issuer);
        QVERIFY(!i.fill());
        QCOMPARE(s->ui.last(), QStringLiteral("Hiba a szállító cimke ListBox-ban való megjelenitésekor!"));
    }

    void typedLinesAreNotTakenTwice()
    {
        openCustomers(QStringLiteral("1"));
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(c.fill());
        c.setNewLine(QStringLiteral("Adószám: 12345678"));
        QVERIFY(c.accepts(Place::NewLine, Place::TickList));
        QVERIFY(c.drop(Place::NewLine, Place::TickList));
        c.setNewLine(QStringLiteral("ADÓSZÁM: 12345678")); // equal but for letter case
        QVERIFY(!c.accepts(Place::NewLine, Place::TickList));
        QVERIFY(!c.drop(Place::NewLine, Place::TickList));
        QCOMPARE(tickTexts(c), QStringList{"Adószám: 12345678"});
        QVERIFY(!c.tickList().front().ticked);

        // the field list refuses a typed line it already holds (the name, other case)
        c.setNewLine(QStringLiteral("kovács kft."));
        QVERIFY(!c.accepts(Place::NewLine, Place::FieldList));
        QVERIFY(!c.drop(Place::NewLine, Place::FieldList));
        c.setNewLine(QStringLiteral("Számlázási cím"));
        QVERIFY(c.drop(Place::NewLine, Place::FieldList));
        QCOMPARE(c.fieldList().last(), QStringLiteral("Számlázási cím"));
        QCOMPARE(c.fieldList().size(), 17);

        // drags of list entries are always accepted; a list dropped on itself changes nothing
        QVERIFY(c.accepts(Place::FieldList, Place::TickList));
        QVERIFY(c.accepts(Place::TickList, Place::FieldList));
        QVERIFY(!c.drop(Place::FieldList, Place::FieldList, 0));
        QVERIFY(!c.drop(Place::TickList, Place::TickList));
        QCOMPARE(c.fieldList().size(), 17);
    }

    void entriesMoveBetweenTheLists()
    {
        openCustomers(QStringLiteral("1"));
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(c.fill());
        const QStringList original = c.fieldList();

        // field list -> tick list: appended unticked, removed from the field list
        QVERIFY(c.drop(Place::FieldList, Place::TickList, 2)); // Budapest
        QCOMPARE(tickTexts(c), QStringList{"Budapest"});
        QCOMPARE(c.fieldList().size(), original.size() - 1);
        // the other "Budapest" (vuzen) is equal to a tick-list entry: nothing happens
        const int second = static_cast<int>(c.fieldList().indexOf(QStringLiteral("Budapest")));
        QVERIFY(!c.drop(Place::FieldList, Place::TickList, second));
        QCOMPARE(c.fieldList().size(), original.size() - 1);
        QVERIFY(!c.drop(Place::FieldList, Place::TickList, -1)); // nothing selected

        // tick list -> field list moves only ticked entries, and only those the field list lacks
        QVERIFY(c.drop(Place::FieldList, Place::TickList, 0)); // Kovács Kft.
        QVERIFY(c.drop(Place::FieldList, Place::TickList, 0)); // 1111
        QCOMPARE(tickTexts(c), (QStringList{"Budapest", "Kovács Kft.", "1111"}));
        QVERIFY(!c.drop(Place::TickList, Place::FieldList)); // nothing ticked
        for (int i = 0; i < 3; ++i)
            c.setTicked(i, true);
        QVERIFY(c.drop(Place::TickList, Place::FieldList));
        // "Budapest" stays: its equal is still in the field list; the others come back to the
        // end of the field list, last first
        QCOMPARE(tickTexts(c), QStringList{"Budapest"});
        QVERIFY(c.tickList().front().ticked);
        QCOMPARE(c.fieldList().mid(c.fieldList().size() - 2), (QStringList{"1111", "Kovács Kft."}));
        QCOMPARE(c.fieldList().size(), original.size() - 1);
    }

    void transferIntoTheBlock_data()
    {
        QTest::addColumn<bool>("oneLine");
        QTest::addColumn<QStringList>("ticked");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("block"); // starting from "Fej"

        QTest::newRow("lines, two ticked") << false << QStringList{"Kovács Kft.", "Budapest"} << 1
                                           << "Fej\nKovács Kft.\nBudapest";
        QTest::newRow("lines, twice") << false << QStringList{"Kovács Kft.", "Budapest"} << 2
                                      << "Fej\nKovács Kft.\nBudapest\nKovács Kft.\nBudapest";
        QTest::newRow("lines, nothing ticked") << false << QStringList{} << 1 << "Fej";
        QTest::newRow("one line") << true << QStringList{"Kovács Kft.", "Budapest"} << 1
                                  << "Fej\n Kovács Kft. Budapest";
        QTest::newRow("one line, twice") << true << QStringList{"1111", "Budapest"} << 2
                                         << "Fej\n 1111 Budapest\n 1111 Budapest";
        QTest::newRow("one line, nothing ticked") << true << QStringList{} << 1 << "Fej\n";
    }

    void transferIntoTheBlock()
    {
        QFETCH(bool, oneLine);
        QFETCH(QStringList, ticked);
        QFETCH(int, presses);
        QFETCH(QString, block);

        openCustomers(QStringLiteral("1"));
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(c.fill());
        c.setBlock(QStringLiteral("Fej"));
        c.setOneLine(oneLine);
        for (const QString& t : ticked)
            tick(c, t);
        // an unticked entry between them never goes into the block
        QVERIFY(c.drop(Place::FieldList, Place::TickList, static_cast<int>(c.fieldList().indexOf(QStringLiteral("OTP")))));
        const auto before = c.tickList().size();
        for (int i = 0; i < presses; ++i)
            c.transfer();
        QCOMPARE(c.block(), block);
        QCOMPARE(c.tickList().size(), before); // ticks stay for the next press
    }

    void okStoresTheBlockForTheCode()
    {
        openCustomers(QStringLiteral("2"));
        Query& list = s->data.query(QStringLiteral("ZQ30"));
        QCOMPARE(list.fieldText(QStringLiteral("vSzam")), QStringLiteral("V-2"));
        list.next(); // the second record with code 2 is current
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(c.fill());
        QCOMPARE(c.block(), QStringLiteral("régi"));
        c.setBlock(QString());
        tick(c, QStringLiteral("Szabó Bt. telephely"));
        tick(c, QStringLiteral("Szeged"));
        c.transfer();
        c.setBlock(c.block() + QStringLiteral("\nÁrvíztűrő 'tükörfúrógép'"));
        QVERIFY(c.ok());
        QVERIFY(s->ui.shown().empty());

        // every record with the code gets the block, lines ending in CR LF; the others keep theirs
        QCOMPARE(s->db.rows(QStringLiteral("SELECT vSzam, HEX(vMemoVevo) FROM vevo ORDER BY vSzam")),
                 (QStringList{"V-1|" + QString::fromLatin1(QByteArray("Kov\xE1""cs Kft.\r\n1111 Budapest").toHex().toUpper()),
                              "V-2|" + QString::fromLatin1(QByteArray("Szab\xF3 Bt. telephely\r\nSzeged\r\n\xC1rv\xEDzt\xFBr\xF5 "
                                                                      "'t\xFCk\xF6rf\xFAr\xF3g\xE9p'\r\n").toHex().toUpper()),
                              "V-2b|" + QString::fromLatin1(QByteArray("Szab\xF3 Bt. telephely\r\nSzeged\r\n\xC1rv\xEDzt\xFBr\xF5 "
                                                                       "'t\xFCk\xF6rf\xFAr\xF3g\xE9p'\r\n").toHex().toUpper())}));
        // the list shows it at once, on the same row
        QCOMPARE(list.fieldText(QStringLiteral("vSzam")), QStringLiteral("V-2b"));
        QCOMPARE(list.fieldText(QStringLiteral("vMemoVevo")),
                 QStringLiteral("Szabó Bt. telephely\r\nSzeged\r\nÁrvíztűrő 'tükörfúrógép'\r\n"));
    }

    void okOnTheIssuer()
    {
        Query& list = s->data.query(QStringLiteral("ZQ60"));
        list.setSql({QStringLiteral("SELECT * FROM szallito")});
        DB_VERIFY(list.open());
        HeaderBlockComposer c(s->context, Party::Issuer);
        QVERIFY(c.fill());
        c.setOneLine(true);
        tick(c, QStringLiteral("9021"));
        tick(c, QStringLiteral("Győr"));
        c.transfer();
        QVERIFY(c.ok());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT zMemoSzall FROM szallito WHERE zKod = '7'")),
                 QStringLiteral("Mérleg Zrt.\r\n 9021 Győr\r\n"));
        QCOMPARE(list.fieldText(QStringLiteral("zMemoSzall")), QStringLiteral("Mérleg Zrt.\r\n 9021 Győr\r\n"));
    }

    void aFailedUpdateKeepsTheComposedBlock()
    {
        openCustomers(QStringLiteral("1"));
        HeaderBlockComposer c(s->context, Party::Customer);
        QVERIFY(c.fill());
        tick(c, QStringLiteral("OTP"));
        c.transfer();
        s->data.connection().setStatementHook([](const QByteArray& sql) {
            if (sql.startsWith("UPDATE vevo"))
                throw DbError(QStringLiteral("Lock wait timeout exceeded"));
        });
        const bool closed = c.ok();
        s->data.connection().setStatementHook({});
        QVERIFY(!closed);
        QCOMPARE(s->ui.texts(), QStringList{"Hiba a vevö cimke memo -ba Update -kor!"});
        QCOMPARE(c.block(), QStringLiteral("Kovács Kft.\n1111 Budapest\nOTP"));
        QCOMPARE(tickTexts(c), QStringList{"OTP"});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vSzam = 'V-1'")),
                 QStringLiteral("Kovács Kft.\r\n1111 Budapest"));

        // a character latin2 cannot hold is refused before anything is sent, the same way
        c.setBlock(QStringLiteral("Kovács Kft. ☎"));
        QVERIFY(!c.ok());
        QCOMPARE(s->ui.last(), QStringLiteral("Hiba a vevö cimke memo -ba Update -kor!"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT vMemoVevo FROM vevo WHERE vSzam = 'V-1'")),
                 QStringLiteral("Kovács Kft.\r\n1111 Budapest"));
    }
};

QTEST_GUILESS_MAIN(HeaderBlockTest)
#include "tst_headerblock.moc"
