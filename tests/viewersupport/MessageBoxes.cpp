#include "MessageBoxes.h"

#include "AppContext.h"

namespace ViewerTest {

MessageBoxes::MessageBoxes(QMessageBox::StandardButton first)
    : answer(first), m_context(App()), m_before(m_context.messageBoxHandler)
{
    m_context.messageBoxHandler = [this](const QString& text, QMessageBox::StandardButtons) {
        texts.append(text);
        if (onBox)
            onBox(text);
        return answer;
    };
}

MessageBoxes::~MessageBoxes()
{
    m_context.messageBoxHandler = m_before;
}

} // namespace ViewerTest
