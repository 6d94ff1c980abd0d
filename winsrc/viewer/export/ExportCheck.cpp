#include "ExportCheck.h"

ExportCheck ExportCheck::Refused(QString message, int option)
{
    ExportCheck check;
    check.m_passed = false;
    check.m_message = std::move(message);
    check.m_option = option;
    return check;
}
