#include "MessageBoxes.h"

#include "AppContext.h"

namespace ViewerTest {

MessageBoxes::MessageBoxes(QMessageBox::StandardButton first)
    : answer(first), m_context(App()), m_before(m_context.messageBoxHandler)
{
    m_context.messageBoxHandler = [this](const QString& text, QMessageBox::StandardButtons buttons) {
        texts.append(text);
        if (onBox)
            onBox(text);
        if (!answers.isEmpty())
            return answers.takeFirst();
        if (answer == QMessageBox::NoButton)
            return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
        return answer;
    };
}

MessageBoxes::MessageBoxes(QList<QMessageBox::StandardButton> inTurn) : MessageBoxes(QMessageBox::NoButton)
{
    answers = std::move(inTurn);
}

MessageBoxes::~MessageBoxes()
{
    m_context.messageBoxHandler = m_before;
}

} // namespace ViewerTest
