#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringView>
#include <QTime>

#include <optional>

// The server's display texts read back as typed values, for the targets that keep types (a
// workbook, a database table). The server shows numbers, dates and times in the forms the
// session asked for; each reader accepts all of them. Whatever a reader does not take
// cleanly stays text in the target: nothing is guessed.
class ExportValue
{
public:
    // Most significant digits a double keeps exactly: a longer number (an identifier of 18
    // digits) stays text rather than lose its last digits.
    static constexpr int MaxDigits = 15;

    // A number: a sign in front or behind, grouping between digits (".", ",", a blank or an
    // apostrophe, groups of three), at most one decimal separator ("," or "."). Which of ","
    // and "." is the decimal separator follows from the text: the later one when both stand,
    // a repeated one groups, a single one followed by other than three digits is decimal,
    // and one followed by three digits is decimal only when the type holds three or more
    // decimals. fractionDigits is the number of decimals the field's type holds; with 0 every
    // separator groups.
    static std::optional<double> Number(QStringView text, int fractionDigits);
    // A whole number as Number reads it without decimals.
    static std::optional<qint64> WholeNumber(QStringView text);
    // "dd.mm.yyyy", "dd.mm.yy" (years 00 to 29 are 20xx), "yyyymmdd", "yyyy-mm-dd".
    static std::optional<QDate> Date(QStringView text);
    // "hh:mm", "hh:mm:ss", "hhmm", "hhmmss".
    static std::optional<QTime> Time(QStringView text);
    // A date and a time separated by one blank or "T", or the digits "yyyymmddhhmmss".
    static std::optional<QDateTime> DateTime(QStringView text);
};
