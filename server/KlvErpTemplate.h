#pragma once

#include <QString>

// The value rules of the data file, which make many records from one line. A rule is text in
// which every "{...}" is replaced:
//   {expr}                 an integer expression of n (the record's index, from 1) and r (the
//                          row's index, from 1) with + - * / % and parentheses
//   {pick expr:a|b|c}      the choice number expr, counted round (0 is a)
//   {pad w expr}           expr with leading zeroes to w digits
//   {dec2 expr}            expr hundredths as a number with two decimals ("12.05")
//   {date expr}            the date expr days after 2000-01-01 ("20000101")
//   {ref db:group expr}    the reference "(db,group,expr)"
//   {text expr}            a readable text of exactly expr characters, in lines
class KlvErpTemplate
{
public:
    // The expanded text; on an error the result is empty and error says why.
    static QString expand(const QString& rule, int n, int r, QString* error);
    static qlonglong evaluate(const QString& expression, int n, int r, bool* ok);
    static QString text(int length, int seed);
};
