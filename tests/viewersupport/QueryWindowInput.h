#pragma once

// The input a user gives to the query window and to the program's input boxes.

#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QueryForm;

namespace ViewerTest {

// The row keys of the checked rows of the field list.
QStringList checkedKeys(const QTreeWidget* fields);

// Makes the table the window's table by a double click on its row; false when the list has no
// such row or the table did not become the window's.
bool doubleClickTable(QueryForm* form, const QString& name);
// Selects the table row and makes it the window's table, as Enter on it does.
bool openTable(QueryForm* form, const QString& name);
// Checks the fields of those names in the field list.
void check(QueryForm* form, const QStringList& fieldNames);

// What an input box showed.
struct InputBox
{
    QString prompt;
    QString defaultText;
    bool shown = false;
};

// Answers the next input box with text (a null text cancels it), and records its prompt and
// default text.
void answerInputBox(const QString& text, InputBox* seen = nullptr);
// Answers the next input boxes one after the other (a null text cancels one).
void answerInputBoxes(const QStringList& answers, QList<InputBox>* seen = nullptr);

} // namespace ViewerTest
