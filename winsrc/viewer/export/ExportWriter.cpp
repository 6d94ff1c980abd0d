#include "ExportWriter.h"

#include "ExportPrompt.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

QString ExportFailure::text() const
{
    return MainModul::GetMessageTextByNr(message) + u"\r\n"_s + description + u" ("_s + QString::number(number) + u')';
}

ExportWriter::~ExportWriter() = default;

ExportPrompt& ExportWriter::prompt() const
{
    return m_prompt ? *m_prompt : ExportPrompt::Declining();
}
