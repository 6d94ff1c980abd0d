#include "TraceForm.h"
#include "Common.h"
#include "KLVTraceWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
TraceForm* g_form = nullptr;

// Hands the library's trace lines to the window: shown while tracing is on, and only a shown
// window takes lines, as before the window existed the trace went nowhere.
class WindowSink : public Common::TraceSink
{
public:
    void print(const QString& line) override
    {
        TraceForm* form = TraceForm::instance();
        if (form->isVisible())
            form->TraceWinPrint(line);
    }
    void setShown(bool shown) override { TraceForm::instance()->setVisible(shown); }
};

WindowSink g_sink;

void deleteForm()
{
    // After the application no window can be made: the lines go to standard error again.
    if (Common::GetTraceSink() == &g_sink)
        Common::SetTraceSink(nullptr);
    delete g_form;
    g_form = nullptr;
}
} // namespace

void KLVTraceWindow::Install()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || Common::GetTraceSink() == &g_sink)
        return;
    Common::SetTraceSink(&g_sink);
    if (Common::TraceFlag())
        g_sink.setShown(true);
}

TraceForm* TraceForm::instance()
{
    if (!g_form) {
        g_form = new TraceForm();
        // Widgets must go before the application object does.
        qAddPostRoutine(deleteForm);
        KLVTraceWindow::Install();
    }
    return g_form;
}

namespace {

// One trace line is one block of the text: its own line breaks are shown as breaks within it.
QString asBlock(const QString& text)
{
    QString block = text;
    block.replace(u"\r\n"_s, QString(QChar::LineSeparator));
    block.replace(u'\n', QChar::LineSeparator);
    block.replace(u'\r', QChar::LineSeparator);
    return block;
}

} // namespace

TraceForm::TraceForm(QWidget* parent) : QWidget(parent), m_traceList(new QPlainTextEdit(this)), m_flushTimer(nullptr)
{
    setObjectName(u"TraceForm"_s);
    setWindowTitle(u"KLV-API Trace"_s);
    m_traceList->setObjectName(u"TraceList"_s);
    m_traceList->setReadOnly(true);
    m_traceList->setUndoRedoEnabled(false);
    m_traceList->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The text drops its first block as a new one comes beyond the limit.
    m_traceList->setMaximumBlockCount(MaxLines);
    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(50);
    connect(m_flushTimer, &QTimer::timeout, this, &TraceForm::flush);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_traceList);
    // 2000 twips at 96 dpi: the window never shrinks below a usable size.
    setMinimumSize(134, 134);
    resize(600, 400);
}

void TraceForm::TraceWinPrint(const QString& text)
{
    if (m_pending.size() >= MaxLines)
        m_pending.removeFirst();
    m_pending.append(asBlock(text));
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TraceForm::flush() const
{
    m_flushTimer->stop();
    if (m_pending.isEmpty())
        return;
    // A batch as long as the limit replaces everything the window held.
    if (m_pending.size() >= MaxLines)
        m_traceList->clear();
    m_traceList->appendPlainText(m_pending.join(u'\n'));
    m_pending.clear();
    QScrollBar* bar = m_traceList->verticalScrollBar();
    bar->setValue(bar->maximum());
}

QStringList TraceForm::lines() const
{
    flush();
    QStringList out;
    const QTextDocument* document = m_traceList->document();
    if (document->isEmpty())
        return out;
    out.reserve(document->blockCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        out << block.text().replace(QChar::LineSeparator, u'\n');
    return out;
}

void TraceForm::clear()
{
    m_pending.clear();
    m_traceList->clear();
}
