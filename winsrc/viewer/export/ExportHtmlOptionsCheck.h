#pragma once

#include "ExportCheck.h"
#include "ExportHtmlWriter.h"

class ExportPrompt;

// The HTML file's colours and border size before an export starts. A colour that is not
// "#RRGGBB", or a border size that is not a whole number from 0 to 99, would be written as its
// default: the user is told which, with the default each gets, and asked whether to export so.
class ExportHtmlOptionsCheck
{
public:
    // Passed when every option is valid or the user agreed to the defaults; otherwise declined
    // (nothing more to show), naming the first option that is not valid for the focus.
    static ExportCheck Check(const ExportHtmlWriter::Options& options, ExportPrompt& prompt);
};
