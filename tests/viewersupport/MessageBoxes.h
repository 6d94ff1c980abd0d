#pragma once

#include <QMessageBox>
#include <QStringList>

#include <functional>

namespace ViewerTest {

// Records every message box of the program instead of showing it, and answers it with
// answer (OK unless a test says otherwise, also as it goes). The real boxes come back when
// the recorder goes.
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
};

} // namespace ViewerTest
