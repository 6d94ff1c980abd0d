#pragma once

#include <QFont>
#include <QString>

#include <functional>

class QWidget;

// Windows are designed with message numbers in their captions; at load every caption, tab,
// column header, status text and tool tip that is a number becomes that message's text.
class FormLocalizer
{
public:
    // translate turns a design-time text into its interface text (a number into its message,
    // anything else, or a number without message, unchanged).
    explicit FormLocalizer(std::function<QString(const QString&)> translate);

    // Replaces the texts of the window and every widget, action and menu inside it.
    void localize(QWidget* form) const;

    // The window and its controls take formFont; list and tree views take dataFont.
    static void applyFonts(QWidget* form, const QFont& formFont, const QFont& dataFont);

private:
    QString tr(const QString& text) const;
    std::function<QString(const QString&)> m_translate;
};
