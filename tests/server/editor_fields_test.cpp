// Field values, field properties and free texts of an edit transaction, over the wire.
#include "editor_client.h"

#include "KlvServerFixture.h"
#include "KlvTypeCode.h"

using namespace Qt::StringLiterals;

class EditorFields : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
        tid = client.begin(u"UPD|0|1|NUMSW|MEIER"_s);
        ASSERT_FALSE(tid.isEmpty());
    }
    QString line(const QString& pattern) const { return QString(pattern).replace(u"@"_s, tid); }
    // Writes a text the way the library does: pieces of 2000 characters, one right after the other.
    void writeText(const QString& field, const QString& text)
    {
        qsizetype p = 0;
        do {
            ASSERT_TRUE(client.ok(line(u"SFT|@|0|%1|%2"_s).arg(field, KlvWire::escapeField(text.mid(p, 2000)))))
                << client.last().join(u'\n').toStdString();
            p += 2000;
        } while (p < text.size());
    }
    // Reads a text in pieces until the empty one.
    QString readText(const QString& t, const QString& field, int length = 20000, int* pieces = nullptr)
    {
        QString text;
        QString mode = u"START"_s;
        for (int n = 0; n < 1000; ++n) {
            const QList<QStringList> r = client.records(u"GFT|%1|0|%2|%3|%4|0"_s.arg(t, field, mode).arg(length));
            if (r.size() != 1)
                return u"<refused>"_s;
            if (r[0].value(0).isEmpty())
                break;
            if (pieces)
                ++*pieces;
            text += r[0].value(0);
            mode = u"NEXT"_s;
        }
        return text;
    }
    EditorClient client;
    QString tid;
};

TEST_F(EditorFields, APropertyRowTellsValueTypeAndWhetherTheFieldCanChange)
{
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|kredlim|12.345,6|0"_s)));
    const QList<QStringList> rows = client.records(line(u"GFV|@|0|kredlim,umsatz,kundennr,farbe,zn"_s));
    ASSERT_EQ(rows.size(), 5);
    const QStringList& kredlim = rows[0];
    ASSERT_EQ(kredlim.size(), 15);
    EXPECT_EQ(kredlim.mid(0, 3), (QStringList{u"0"_s, u"kredlim"_s, u"12.345,60"_s}));
    EXPECT_NE(kredlim[3], kredlim[2]); // value when editing began
    EXPECT_EQ(kredlim.mid(4, 4), (QStringList{u"1"_s, u"1"_s, u"RT10.2"_s, u"N"_s}));
    EXPECT_EQ(kredlim[8], QString::number(KlvTypeCode(u"RT10.2"_s).maxLength()));
    EXPECT_EQ(kredlim.mid(9), (QStringList{u"0"_s, u"3"_s, u"A"_s, u"A"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(rows[1][4], u"0"); // core controlled: not for the user to change
    EXPECT_EQ(rows[1][10], u"2");
    EXPECT_EQ(rows[2][2], client.value(tid, u"nummer"_s)); // an alias shows its field
    EXPECT_EQ(rows[2][14], u"1");
    // An alias can change only what its field can.
    const QString templateTid = client.begin(u"UPD|0||REF|(12,24,1)"_s);
    EXPECT_EQ(client.property(templateTid, u"0"_s, u"num12"_s, 5), u"0");
    EXPECT_FALSE(client.ok(u"SFV|%1|0|num12|9:9|0"_s.arg(templateTid)));
    EXPECT_EQ(client.refusal(), 1204);
    EXPECT_EQ(rows[3].mid(0, 2), (QStringList{u"0"_s, u"farbe"_s}));
    EXPECT_EQ(rows[3][6], u"-");
    EXPECT_EQ(rows[4][0], u"0");
    EXPECT_EQ(rows[4][6], u"I6");

    // Every field of the head, in definition order; a display form asked for by modifier.
    const QList<QStringList> all = client.records(line(u"GFV|@|0|"_s));
    ASSERT_EQ(all.size(), 35);
    EXPECT_EQ(all.first()[1], u"nummer");
    EXPECT_EQ(all.last()[1], u"bic");
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|zahlart|L|0"_s)));
    EXPECT_EQ(client.value(tid, u"zahlart(code)"_s), u"(L)");
    EXPECT_EQ(client.property(tid, u"0"_s, u"zahlart(code)"_s, 2), u"zahlart");
}

TEST_F(EditorFields, ValuesAreReadInTheSessionsFormsAndBadOnesRefusedNamingTheField)
{
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|gruendung|31.12.2024|0"_s)));
    EXPECT_EQ(client.value(tid, u"gruendung"_s), u"31.12.2024");
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|vertreter|3|0"_s)));
    EXPECT_EQ(client.value(tid, u"vertreter(ref)"_s), u"(4,1,3)");
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|aktiv|ja|0"_s)));
    EXPECT_EQ(client.value(tid, u"aktiv"_s), u"1");

    struct Case
    {
        QString field;
        QString value;
        int number;
    };
    for (const Case& c : QList<Case>{{u"gruendung"_s, u"31.02.2024"_s, 1113},
                                     {u"vertreter"_s, u"99"_s, 1116},
                                     {u"zahlziel"_s, u"viele"_s, 1112},
                                     {u"zahlart"_s, u"Q"_s, 1115},
                                     {u"nummer"_s, u"5"_s, 1204},
                                     {u"umsatz"_s, u"5"_s, 1204},
                                     {u"farbe"_s, u"rot"_s, 1102}}) {
        EXPECT_FALSE(client.ok(line(u"SFV|@|0|%1|%2|0"_s).arg(c.field, c.value))) << c.field.toStdString();
        ASSERT_EQ(client.last().size(), 2) << c.field.toStdString();
        const QStringList error = KlvWire::splitFields(client.last()[0]);
        EXPECT_EQ(error.mid(3), (QStringList{u"EDIT"_s, QString::number(c.number), u"0"_s, c.field}))
            << c.field.toStdString();
        EXPECT_EQ(client.refusal(), c.number);
    }
    EXPECT_EQ(client.value(tid, u"gruendung"_s), u"31.12.2024"); // a refused value changes nothing
}

TEST_F(EditorFields, TooLongTextsAndTooManyDecimalsFollowTheSessionOptions)
{
    const QString fifty = QString(50, u'x');
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|name|%1|0"_s).arg(fifty)));
    EXPECT_EQ(client.value(tid, u"name"_s), QString(40, u'x'));
    ASSERT_TRUE(client.ok(u"SET|0|TRUNCTEXT|0"_s));
    EXPECT_FALSE(client.ok(line(u"SFV|@|0|name|%1|0"_s).arg(fifty)));
    EXPECT_EQ(client.refusal(), 1114);

    EXPECT_FALSE(client.ok(line(u"SFV|@|0|kredlim|5,125|0"_s)));
    EXPECT_EQ(client.refusal(), 1225);
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|kredlim|5,120|0"_s))); // a zero is no decimal
    ASSERT_TRUE(client.ok(u"SET|0|AUTOROUND|1"_s));
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|kredlim|5,125|0"_s)));
    EXPECT_EQ(client.value(tid, u"kredlim"_s), u"5,13");
}

TEST_F(EditorFields, AnInitialValueFillsOnlyAFieldNotSetYetAndAResetGoesBack)
{
    const QString original = client.value(tid, u"ort"_s);
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|ort|Aachen|1"_s)));
    EXPECT_EQ(client.value(tid, u"ort"_s), u"Aachen");
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|ort|Bonn|0"_s)));
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|ort|Celle|1"_s)));
    EXPECT_EQ(client.value(tid, u"ort"_s), u"Bonn");
    EXPECT_EQ(client.property(tid, u"0"_s, u"ort"_s, 4), original);
    EXPECT_EQ(client.property(tid, u"0"_s, u"ort"_s, 6), u"1");

    ASSERT_TRUE(client.ok(line(u"RFV|@|0|ort"_s)));
    EXPECT_EQ(client.value(tid, u"ort"_s), original);
    EXPECT_EQ(client.property(tid, u"0"_s, u"ort"_s, 6), u"0");
    EXPECT_EQ(client.status(tid, u"MODIFIED"_s), u"0");
    ASSERT_TRUE(client.ok(line(u"SFV|@|0|ort|Celle|1"_s))); // reset: not set any more
    EXPECT_EQ(client.value(tid, u"ort"_s), u"Celle");
}

TEST_F(EditorFields, AFreeTextOf45000CharactersIsReadInPiecesToItsEnd)
{
    const QString viewed = client.begin(u"VIE|0|1|NUMSW|MUELLER"_s);
    ASSERT_FALSE(viewed.isEmpty());
    int pieces = 0;
    const QString text = readText(viewed, u"bemerk"_s, 20000, &pieces);
    EXPECT_EQ(text.size(), 45000);
    EXPECT_EQ(pieces, 3);
    // The property row shows the first characters only, as FTMODE says.
    EXPECT_EQ(client.value(viewed, u"bemerk"_s), text.left(500));
    EXPECT_EQ(readText(viewed, u"bemerk"_s, 7000).size(), 45000);
}

TEST_F(EditorFields, AFreeTextWrittenInPiecesIsReadBackUnchanged)
{
    QString text;
    for (int i = 0; text.size() < 45000; ++i)
        text += u"Zeile %1: Maß | Pfad C:\\temp € \"zitiert\"\n"_s.arg(i);
    text.truncate(45000);
    writeText(u"bemerk"_s, text);
    ASSERT_TRUE(client.ok(line(u"COM|@"_s)));
    EXPECT_EQ(readText(client.begin(u"VIE|0|1|NUMSW|MEIER"_s), u"bemerk"_s), text);

    // A text of exactly one piece, and the empty text.
    const QString again = client.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    tid = again;
    writeText(u"bemerk"_s, QString(2000, u'a'));
    EXPECT_EQ(readText(tid, u"bemerk"_s), QString(2000, u'a'));
    writeText(u"bemerk"_s, QString());
    EXPECT_EQ(readText(tid, u"bemerk"_s), QString());
}

TEST_F(EditorFields, PiecesJoinOnlyWhileNothingElseComesBetween)
{
    ASSERT_TRUE(client.ok(line(u"SFT|@|0|bemerk|eins|"_s)));
    ASSERT_TRUE(client.ok(line(u"SFT|@|0|bemerk|zwei"_s)));
    EXPECT_EQ(readText(tid, u"bemerk"_s), u"einszwei");
    ASSERT_TRUE(client.ok(line(u"SFT|@|0|bemerk|drei"_s))); // the read ended the run
    EXPECT_EQ(readText(tid, u"bemerk"_s), u"drei");

    // A CR LF cut between two pieces is one line end; LINEBREAK decides how it is read.
    ASSERT_TRUE(client.ok(line(u"SFT|@|0|bemerk|oben\\r"_s)));
    ASSERT_TRUE(client.ok(line(u"SFT|@|0|bemerk|\\nunten"_s)));
    EXPECT_EQ(readText(tid, u"bemerk"_s), u"oben\nunten");
    ASSERT_TRUE(client.ok(u"SET|0|LINEBREAK|CRLF"_s));
    EXPECT_EQ(readText(tid, u"bemerk"_s), u"oben\r\nunten");

    EXPECT_EQ(readText(tid, u"kredlim"_s), u"<refused>");
    EXPECT_EQ(client.refusal(), 1213);
    EXPECT_FALSE(client.ok(line(u"SFT|@|0|umsatz|1"_s)));
    EXPECT_EQ(client.refusal(), 1213);
}
