#include "SessionSettingsPush.h"

#include "KLV.h"
#include "KLVEditor.h"
#include "MemberCall.h"
#include "NumberText.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace KLVActiveX;

bool SessionSettingsPush::IsChecked(const QWidget* dialog, const QString& name)
{
    const auto* button = dialog ? dialog->findChild<QAbstractButton*>(name) : nullptr;
    return button && button->isChecked();
}

QString SessionSettingsPush::Text(const QWidget* dialog, const QString& name)
{
    const auto* edit = dialog ? dialog->findChild<QLineEdit*>(name) : nullptr;
    return edit ? edit->text() : QString();
}

int SessionSettingsPush::NumberOf(const QString& text)
{
    return NumberText::roundToInt32(NumberText::leadingValue(text)).value_or(0);
}

void SessionSettingsPush::StoreOutputLanguage(KLV& session, const QString& language)
{
    const QSharedPointer<KLVEditor> editor = session.CreateEditor();
    if (!editor || !editor->BeginEditCmd(u"43"_s, QString()))
        return;
    if (!editor->SetFieldVal(u"spr"_s, language)) {
        editor->EndEditCancel();
        return;
    }
    if (!editor->EndEditSave())
        editor->EndEditCancel();
}

void SessionSettingsPush::Push(KLV& session, const QWidget* dialog)
{
    const auto checked = [dialog](const char16_t* name) { return IsChecked(dialog, QString::fromUtf16(name)); };

    if (checked(u"DisplaymodeOutput"))
        session.SetDisplayMode(klvDispModeOutput);
    else if (checked(u"DisplaymodeUniversal"))
        session.SetDisplayMode(klvDispModeUniversal);
    else
        session.SetDisplayMode(klvDispModeOperating);

    QVariant outputLanguage;
    MemberCall::Invoke(const_cast<QWidget*>(dialog), "GetAktOutputSpr", {}, &outputLanguage);
    StoreOutputLanguage(session, outputLanguage.toString());

    if (checked(u"VerweisDarstRef"))
        session.SetVerwMode(klvVerwModeRef);
    else if (checked(u"VerweisDarstNummer"))
        session.SetVerwMode(klvVerwModeNum);
    else if (checked(u"VerweisDarstSuchwort"))
        session.SetVerwMode(klvVerwModeSW);
    else
        session.SetVerwMode(klvVerwModeExt);

    if (checked(u"AufzDarstCode"))
        session.SetEnumMode(klvEnumModeCode);
    else if (checked(u"AufzDarstBriefDesc"))
        session.SetEnumMode(klvEnumModeBriefDesc);
    else
        session.SetEnumMode(klvEnumModeText);

    session.SetBoolMode(checked(u"BoolDarstNum") ? klvBoolModeNum : klvBoolModeTAV);

    if (checked(u"DatumSort"))
        session.SetDateMode(klvDateModeSort);
    else if (checked(u"DatumTAV4"))
        session.SetDateMode(klvDateModeTAV4);
    else
        session.SetDateMode(klvDateModeTAV);

    // The decimal point belongs to the ERP's own number form; raw and external numbers keep
    // whatever point the session has.
    if (checked(u"ZahlenDarstRoh")) {
        session.SetNumberMode(klvNumModeRaw);
    } else if (checked(u"ZahlenDarstTAV")) {
        session.SetNumberMode(klvNumModeTAV);
        session.SetDecimalPoint(checked(u"DezPunktKomma") ? klvDecimalPointComma : klvDecimalPointPeriod);
    } else {
        session.SetNumberMode(klvNumModeExt);
    }

    if (checked(u"FTextDarstExt"))
        session.SetFTMode(klvFTModeExt, 300);
    else
        session.SetFTMode(klvFTModeText, NumberOf(Text(dialog, u"FTLaenge"_s)));

    session.SetLineBreak(checked(u"ZeilenumbruchCRLF") ? klvLineBreakCRLF : klvLineBreakLF);
    session.SetVariableLanguage(checked(u"VarLangEnglisch") ? klvVarLangEnglish : klvVarLangGerman);
    session.SetTrimValues(checked(u"FeldwerteTrimmen"));
    session.setDatasetSize(NumberOf(Text(dialog, u"DatasetSize"_s)));
}
