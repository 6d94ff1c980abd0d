#pragma once

#include <QObject>

class QEvent;

// Text from the server and from a user's files is shown as it is, never as markup. A QLabel
// left at Qt::AutoText renders whatever Qt::mightBeRichText takes for markup: a table named
// "<b>x</b>" would show bold, a link in a field name could be clicked, and an image tag would
// have the label read any file it names (all of /dev/zero, until memory runs out).
//
// Installed on the application, the guard makes every label still at Qt::AutoText a plain
// text label when it is first polished, which is before anything lays it out or paints it: the
// labels of every window, and those Qt makes for message boxes, input boxes and tool tips. A
// label that shows markup of the program's own sets Qt::RichText itself and escapes any outside
// text it holds (QString::toHtmlEscaped); the guard leaves it as it is.
class PlainTextGuard : public QObject
{
    Q_OBJECT

public:
    // Puts the guard on the running QApplication (once; without one it does nothing) and makes
    // the labels that exist already plain text as well. Every window's load step calls it.
    static void Install();
    static bool IsInstalled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PlainTextGuard(QObject* parent);
};
