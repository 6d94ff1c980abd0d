#include "KLVMessage.h"

using namespace Qt::StringLiterals;

KLVMessage::KLVMessage(QObject* parent) : QObject(parent) {}

void KLVMessage::InitMessage(int type, const QString& category, const QString& text, int number, int row,
                             const QString& fieldName, const QString& context)
{
    m_type = static_cast<KLVActiveX::Message_Type>(type);
    m_category = category;
    m_text = text;
    m_number = number;
    m_fieldRow = row;
    m_fieldName = fieldName;
    m_context = context;
}

QSharedPointer<KLVMessage> KLVMessage::create(int type, const QString& category, const QString& text, int number,
                                              int row, const QString& fieldName, const QString& context)
{
    auto message = QSharedPointer<KLVMessage>::create();
    message->InitMessage(type, category, text, number, row, fieldName, context);
    return message;
}

QString KLVMessage::MsgInfo() const
{
    QString info;
    switch (m_type) {
    case KLVActiveX::messageTypeError:
        info = u"ERROR_MESSAGE"_s;
        break;
    case KLVActiveX::messageTypeStatus:
        info = u"STATUS_MESSAGE"_s;
        break;
    case KLVActiveX::messageTypeText:
        info = u"TEXT_MESSAGE"_s;
        break;
    default:
        info = u"MESSAGE"_s;
    }
    if (!m_context.isEmpty())
        info += u" Context=["_s + m_context + u']';
    if (m_number != 0)
        info += u" No="_s + QString::number(m_number);
    if (!m_category.isEmpty())
        info += u" Cat="_s + m_category;
    if (!m_fieldName.isEmpty()) {
        info += u" Fld="_s + m_fieldName;
        if (m_fieldRow > 0)
            info += u'(' + QString::number(m_fieldRow) + u')';
    }
    return info + u": "_s + m_text;
}
