#pragma once

// What the information-system window's tests share: the window on a library session logged
// on to klvserver (its own connection cloned from that session), the lines the server
// received, scripted answers that hold a request until it is broken off, and the input a
// user gives to the mask and the lists.

#include "InfosysFeldPanel.h"
#include "InfosysForm.h"
#include "KLV.h"
#include "KlvServer.h"
#include "ViewerTest.h"

#include <QCollator>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <functional>
#include <memory>

namespace InfosysTest {

using namespace ViewerTest;

// The header rows and result columns of information system 1 of the sample ERP, as its mask
// shows them.
inline const QStringList CustomerHeaderFields{
    QStringLiteral("num65"),  QStringLiteral("such65"), QStringLiteral("name"),
    QStringLiteral("ort"),    QStringLiteral("kat"),    QStringLiteral("min"),
    QStringLiteral("bstart"), QStringLiteral("anzahl"), QStringLiteral("summe")};
inline const QStringList CustomerResultFields{QStringLiteral("nummer"), QStringLiteral("name"), QStringLiteral("ort"),
                                              QStringLiteral("umsatz")};

// The lines received that match pattern (a regular expression), in order.
inline QStringList matching(const KlvServer& server, const QString& pattern)
{
    return server.receivedLines().filter(QRegularExpression(pattern));
}

inline void click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

// Gives the text box the focus, types text into it (replacing what it held) and leaves it.
inline void typeInto(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

using UserInput::clickHeader;

// True when the list's rows are in that order by column, compared as the lists sort.
inline bool sortedBy(const QTreeWidget* list, int c, Qt::SortOrder order)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const QStringList texts = column(list, c);
    for (qsizetype i = 1; i < texts.size(); ++i) {
        const int cmp = collator.compare(texts[i - 1], texts[i]);
        if (order == Qt::AscendingOrder ? cmp > 0 : cmp < 0)
            return false;
    }
    return true;
}

// What a test class of the window holds beside its QObject base: the server, the session the
// window clones, the message boxes shown and the window under test.
class WindowTest : protected SessionTest
{
protected:
    std::unique_ptr<MessageBoxes> shown;
    QPointer<InfosysForm> form;

    // initTestCase.
    void start()
    {
        startSession();
        App().MainSession = session;
    }

    // cleanupTestCase.
    void stop()
    {
        App().MainSession.clear();
        stopSession();
    }

    // init: a clean record of lines and boxes, no script.
    void begin()
    {
        server->setScript({});
        server->clearReceived();
        shown = std::make_unique<MessageBoxes>();
    }

    // cleanup: the window goes (its edit is cancelled) and nothing stays scripted.
    void end()
    {
        server->setScript({});
        if (form)
            delete form.data();
        shown.reset();
    }

    // A new window, shown, with information system number's mask built.
    bool open(const QString& number = QStringLiteral("1"), const QString& searchWord = QStringLiteral("KUNDUMS"),
              const QString& description = QStringLiteral("Kundenumsatz"))
    {
        form = new InfosysForm;
        if (!form->hasSession())
            return false;
        form->resize(900, 700);
        form->show();
        if (!QTest::qWaitForWindowExposed(form))
            return false;
        form->InitControls();
        form->BuildInfosysInfos(number, searchWord, description);
        return form && form->isEditOpen();
    }

    InfosysFeldPanel* panel() const { return form->feldPanel(); }
    QPushButton* button(const QString& name) const { return form->findChild<QPushButton*>(name); }

    // The transaction id of the window's edit operation, from the GFV lines it sent.
    QString editTid() const
    {
        const QStringList gfv = matching(*server, QStringLiteral("^GFV\\|"));
        return gfv.isEmpty() ? QString() : gfv.last().section(u'|', 1, 1);
    }
};

} // namespace InfosysTest
