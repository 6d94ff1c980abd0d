#include "KLVTools.h"
#include "Common.h"
#include "KLVLikePattern.h"
#include "KLVTAVArtInfo.h"

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

bool likeAny(const QString& code, std::initializer_list<const char16_t*> patterns)
{
    for (const char16_t* p : patterns) {
        if (KLVLikePattern::Matches(code, QStringView(p)))
            return true;
    }
    return false;
}

} // namespace

KLVTools::KLVTools(QObject* parent) : QObject(parent) {}

KLV_DataType KLVTools::DataTypeOf(const QString& code)
{
    // The first matching rule wins: the order is part of the classification.
    if (likeAny(code, {u"ARTR*", u"iRE*", u"[RM]*"}))
        return klvReal;
    if (likeAny(code, {u"KU[0-9]*", u"K[0-9]*", u"iKU*", u"uKU*", u"GRN*", u"GRDN*"}))
        return klvByte;
    if (code == u"TZN"_s || likeAny(code, {u"J[0-9]*", u"iSH*"}))
        return klvInteger;
    if (code == u"I"_s || likeAny(code, {u"I[0-9]*", u"I[PNU][0-9]*", u"IP[NU][0-9]*", u"iI*", u"uI*"}))
        return klvLongInt;
    if (code == u"B1"_s || code == u"B"_s)
        return klvBool;
    if (likeAny(code, {u"VP[KBNS][0-9]*", u"VP[0-9]*", u"VP[KBN]S[0-9]*", u"VID[0-9]*", u"[PC][0-9]*", u"PS[0-9]*",
                       u"ID[0-9]*"}))
        return klvReference;
    if (likeAny(code, {u"AZ[MKL]*"}))
        return klvEnumReference;
    if (likeAny(code, {u"IDZ*"}))
        return klvRowReference;
    if (code == u"Z"_s)
        return klvTime;
    if (code == u"D"_s || likeAny(code, {u"GD*"}))
        return KLVLikePattern::LeadingNumber(QStringView(code).mid(2)) >= 14 ? klvDateTime : klvDate;
    if (likeAny(code, {u"GP*"}))
        return klvPeriod;
    if (code == u"W"_s || likeAny(code, {u"GW*"}))
        return klvWeek;
    if (code == u"DVB"_s || code == u"DVMB"_s || code == u"DVZ"_s || code == u"DVMZ"_s || likeAny(code, {u"BU[0-9]*"}))
        return klvButton;
    if (likeAny(code, {u"TN*"}))
        return klvFText;
    if (likeAny(code, {u"AK[0-9]*", u"A[0-9]*", u"AN[0-9]*", u"AU[0-9]*", u"TAZ*"}))
        return klvEnumeration;
    return klvUnknown;
}

bool KLVTools::IsNullRef(const QString& Ref) const
{
    return Common::IsNullRefText(Ref);
}

QStringList KLVTools::StringList2Array(const QVariantList& values) const
{
    QStringList texts;
    texts.reserve(values.size());
    for (const QVariant& v : values)
        texts << v.toString();
    return texts;
}

QSharedPointer<KLVTAVArtInfo> KLVTools::GetTAVArtInfo(const QString& TAVArt) const
{
    auto info = QSharedPointer<KLVTAVArtInfo>::create();
    info->ParseTypeCode(TAVArt);
    return info;
}

QSharedPointer<KLVMessage> KLVTools::StatusMessage(const QString& MessageText, const QString& MessageContext) const
{
    return KLVMessage::create(messageTypeStatus, u"STATUS"_s, MessageText, 0, 0, QString(), MessageContext);
}

QSharedPointer<KLVMessage> KLVTools::ErrorMessage(const QString& MessageText, const QString& MessageContext) const
{
    return KLVMessage::create(messageTypeError, u"ERROR"_s, MessageText, 0, 0, QString(), MessageContext);
}
