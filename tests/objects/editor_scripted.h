#pragma once

// Editors against the stand-in server with scripted answers, for the tests that pin what
// goes over the wire and how the editor reads answers the sample ERP would never give.
// Editor commands that no rule answers are acknowledged ("ACK" with their own id).

#include "Common.h"
#include "KLV.h"
#include "KLVEditor.h"
#include "KlvSessionFixture.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <ostream>

using namespace Qt::StringLiterals;

// Readable texts in the failure messages of GoogleTest.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& text : list) {
        PrintTo(text, os);
        *os << ' ';
    }
    *os << '}';
}

class ScriptedEditorTest : public KlvSessionFixture
{
protected:
    struct Rule
    {
        QString prefix;
        // "{tid}" stands for the transaction id of the command; "delay:<ms>" pauses.
        QStringList replies;
        bool once = false;
    };
    struct Rules
    {
        std::mutex mutex;
        QList<Rule> list;
    };

    void SetUp() override
    {
        KlvSessionFixture::SetUp();
        installScript();
        editor = session->CreateEditor();
    }

    void TearDown() override
    {
        server().setScript({});
        editor.reset();
        KlvSessionFixture::TearDown();
    }

    // Answers lines that start with prefix. One-time rules are used in the order they were
    // given, before any lasting one; of the lasting rules the latest wins.
    void on(const QString& prefix, const QStringList& replies, bool once = false)
    {
        std::lock_guard lock(m_rules->mutex);
        m_rules->list.append(Rule{prefix, replies, once});
    }
    void once(const QString& prefix, const QStringList& replies) { on(prefix, replies, true); }

    // Opens a transaction whose id is tid.
    void begin(const QString& tid = u"77"_s)
    {
        once(u"UPD|"_s, {u"ACK|"_s + tid});
        ASSERT_TRUE(editor->BeginEdit(u"(1,2,3)"_s));
        ASSERT_EQ(editor->EditTID(), tid);
        server().clearReceived();
    }

    QStringList received() { return server().receivedLines(); }

    // A record of the property answer of "GFV" for one field.
    static QString propertyRecord(const QString& tid, int row, const QString& name, const QString& value,
                                  const QString& typeCode = u"A20"_s)
    {
        return u"D|"_s + tid + u'|' + QString::number(row) + u'|' + name + u'|' + value + u"|old-"_s + value +
               u"|1|0|"_s + typeCode + u"|A|20|0||A|B|0|0"_s;
    }

    QSharedPointer<KLVEditor> editor;

private:
    void installScript()
    {
        std::shared_ptr<Rules> rules = m_rules;
        server().setScript([rules](int, const QString& line, bool greeting, KlvScriptReply& reply) {
            if (greeting)
                return false;
            const QStringList parts = line.split(u'|');
            const QString word = parts.value(0);
            const QString tid = parts.value(1);
            QStringList replies;
            {
                std::lock_guard lock(rules->mutex);
                bool found = false;
                for (qsizetype i = 0; i < rules->list.size() && !found; ++i) {
                    if (rules->list[i].once && line.startsWith(rules->list[i].prefix)) {
                        replies = rules->list.takeAt(i).replies;
                        found = true;
                    }
                }
                for (qsizetype i = rules->list.size() - 1; i >= 0 && !found; --i) {
                    if (!rules->list[i].once && line.startsWith(rules->list[i].prefix)) {
                        replies = rules->list[i].replies;
                        found = true;
                    }
                }
                if (!found) {
                    static const QStringList editorWords = {u"NEW"_s, u"UPD"_s, u"DEL"_s, u"VIE"_s, u"EDI"_s, u"SUB"_s,
                                                            u"COM"_s, u"CAN"_s, u"SAV"_s, u"SFV"_s, u"GFV"_s, u"SFT"_s,
                                                            u"GFT"_s, u"RFV"_s, u"RIN"_s, u"RDL"_s, u"RMV"_s, u"GTS"_s};
                    if (!editorWords.contains(word))
                        return false;
                    replies = {u"ACK|{tid}"_s};
                }
            }
            for (QString answer : replies) {
                if (answer.startsWith(u"delay:"_s))
                    reply.delay(answer.mid(6).toInt());
                else
                    reply.sendLine(answer.replace(u"{tid}"_s, tid));
            }
            return true;
        });
    }

    std::shared_ptr<Rules> m_rules = std::make_shared<Rules>();
};
