#include "ResultDragData.h"

#include "KLVQuery.h"
#include "MainModul.h"
#include "NumberText.h"

#include <QMimeData>

using namespace Qt::StringLiterals;

QString ResultDragData::Text(const QString& ref, int dnr, int gruppe)
{
    const QChar separator(24);
    const QString text = ref + separator + u'(' + QString::number(dnr) + u',' + QString::number(gruppe) + u')' +
                         separator + u"[pos]=0"_s;
    return text.left(MaxChars);
}

QByteArray ResultDragData::Bytes(const QString& ref, int dnr, int gruppe)
{
    const QString text = Text(ref, dnr, gruppe);
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        bytes[2 * i] = char(c & 0xFF);
        bytes[2 * i + 1] = char(c >> 8);
    }
    return bytes;
}

QString ResultDragData::MimeType()
{
    const QString registered = MainModul::ClipboardFormatName(App().GuiDragDropFormat);
    return registered.isEmpty() ? u"CF_WEXA_GUI_DRAGDROP"_s : registered;
}

bool ResultDragData::ReadRecordOrigin(KLVQuery* query, const QString& ref, int& dnr, int& gruppe)
{
    dnr = -1;
    gruppe = -1;
    if (ref.isEmpty() || !query || !query->ReadRecord(ref, u"dnr,gruppe"_s))
        return false;
    const auto whole = [](const QString& text) {
        return NumberText::roundToInt32(NumberText::leadingValue(text)).value_or(0);
    };
    dnr = whole(query->GetField(1));
    gruppe = whole(query->GetField(2));
    return true;
}

QMimeData* ResultDragData::Create(KLVQuery* query, const QString& ref)
{
    int dnr = -1;
    int gruppe = -1;
    ReadRecordOrigin(query, ref, dnr, gruppe);
    if (ref.isEmpty() || dnr < 0 || gruppe < 0)
        return nullptr;
    auto* data = new QMimeData;
    data->setData(MimeType(), Bytes(ref, dnr, gruppe));
    return data;
}
