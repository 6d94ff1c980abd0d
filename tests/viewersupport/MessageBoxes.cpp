#include "MessageBoxes.h"

#include "MainModul.h"

namespace ViewerTest {

MessageBoxes::MessageBoxes(QMessageBox::StandardButton first) : answer(first)
{
    MainModul::SetMessageBoxHandler([this](const QString& text, QMessageBox::StandardButtons) {
        texts.append(text);
        if (onBox)
            onBox(text);
        return answer;
    });
}

MessageBoxes::~MessageBoxes()
{
    MainModul::SetMessageBoxHandler({});
}

} // namespace ViewerTest
