#include "TraceForm.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
TraceForm* g_form = nullptr;

void deleteForm()
{
    delete g_form;
    g_form = nullptr;
}
} // namespace

TraceForm* TraceForm::instance()
{
    if (!g_form) {
        g_form = new TraceForm();
        // Widgets must go before the application object does.
        qAddPostRoutine(deleteForm);
    }
    return g_form;
}

TraceForm::TraceForm(QWidget* parent) : QWidget(parent), m_traceList(new QListWidget(this))
{
    setObjectName(u"TraceForm"_s);
    setWindowTitle(u"KLV-API Trace"_s);
    m_traceList->setObjectName(u"TraceList"_s);
    m_traceList->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_traceList);
    // 2000 twips at 96 dpi: the window never shrinks below a usable size.
    setMinimumSize(134, 134);
    resize(600, 400);
}

void TraceForm::TraceWinPrint(const QString& text)
{
    while (m_traceList->count() >= MaxLines)
        delete m_traceList->takeItem(0);
    m_traceList->addItem(text);
    m_traceList->setCurrentRow(m_traceList->count() - 1);
}

QStringList TraceForm::lines() const
{
    QStringList out;
    out.reserve(m_traceList->count());
    for (int i = 0; i < m_traceList->count(); ++i)
        out << m_traceList->item(i)->text();
    return out;
}

void TraceForm::clear()
{
    m_traceList->clear();
}
