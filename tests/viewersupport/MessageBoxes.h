#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>

class AppContext;

namespace ViewerTest {

// Records every message box of the program (of the context in App() when it is made)
// instead of showing it, and answers it with answer (OK unless a test says otherwise, also as
// it goes). Given a list, it answers the boxes in turn with its buttons and, once they are used
// up, agrees (Yes or OK, whichever the box offers). What answered the boxes before comes back
// when the recorder goes.
class MessageBoxes
{
public:
    explicit MessageBoxes(QMessageBox::StandardButton first = QMessageBox::Ok);
    explicit MessageBoxes(QList<QMessageBox::StandardButton> inTurn);
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    // NoButton: agree.
    QMessageBox::StandardButton answer;
    QList<QMessageBox::StandardButton> answers;
    QStringList texts;
    // Runs for each box before it is answered (a test may change answer there).
    std::function<void(const QString&)> onBox;

private:
    AppContext& m_context;
    std::function<QMessageBox::StandardButton(const QString&, QMessageBox::StandardButtons)> m_before;
};

} // namespace ViewerTest
