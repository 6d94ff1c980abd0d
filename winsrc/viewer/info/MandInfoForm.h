#pragma once

#include <QDialog>
#include <QHash>
#include <QSharedPointer>
#include <QString>

class KLV;
class QCheckBox;
class QLineEdit;
class QTabWidget;

// What the program knows about the current connection, on the tabs of "MandInfoTab": the
// ERP client (the Mandant) and its directories, the server's versions and process, the
// logged-on user, host and port, and the versions of the program, of the protocol it asks for
// and of the protocol library. Every value is read once, when LoadMandInfos fills the dialog;
// the main window then shows it modal. The program's one instance is kept between uses.
//
// Read-only fields: "MandBez", "MandID", "MandVerz", "MandVerzUNC", "HOMEDIR", "HOMEDIRUNC",
// "GUIDDEName", "TAVVersion", "ServerKLVVersion", "AktBenutzer", "AktZeichen", "AktSprache",
// "Aufrufernummer", "ServerPID", "TAVServer", "NetzPort", "AnwName", "ProgVersion",
// "ClientKLVVersion", "MaxClientKLVVersion", "KLVDLLVersion"; check boxes "IstWartungsmodus",
// "EFOPsAusfuehren".
class MandInfoForm : public QDialog
{
    Q_OBJECT

public:
    explicit MandInfoForm(QWidget* parent = nullptr);

    static MandInfoForm* DefaultInstance();

    // Fills every field from the session and the main window's Host and Port.
    Q_INVOKABLE void LoadMandInfos(const QSharedPointer<KLV>& session);

    QString text(const QString& field) const;
    bool isChecked(const QString& box) const;
    QTabWidget* tabs() const { return m_tabs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setText(const QString& field, const QString& value);
    void setChecked(const QString& box, bool on);

    QTabWidget* m_tabs = nullptr;
    QHash<QString, QLineEdit*> m_fields;
    QHash<QString, QCheckBox*> m_boxes;
    bool m_loading = false;
};
