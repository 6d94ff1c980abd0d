#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>

class AppContext;

namespace ViewerTest {

// Records every message box of the program (of the context in App() when it is made)
// instead of showing it, and answers it with answer (OK unless a test says otherwise, also as
// it goes). What answered the boxes before comes back when the recorder goes.
class MessageBoxes
{
public:
    explicit MessageBoxes(QMessageBox::StandardButton first = QMessageBox::Ok);
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    QMessageBox::StandardButton answer;
    QStringList texts;
    // Runs for each box before it is answered (a test may change answer there).
    std::function<void(const QString&)> onBox;

private:
    AppContext& m_context;
    std::function<QMessageBox::StandardButton(const QString&, QMessageBox::StandardButtons)> m_before;
};

} // namespace ViewerTest
