#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The small window that stands over the main window while an export runs: the name of what
// is exported ("Tabellenname"), the records written so far ("AnzahlSaetze"), the server's
// messages ("MeldungenListe", out of sight until the first one comes) and the one way to stop
// the export ("AbbrechenButton"). It knows nothing of the export: the export dialog drives
// it, and a cancel calls ExportAbbrechen by name on the form given to SetInitialValues.
//
// When the export ends, the window stays with the count the target holds, a caption that
// says how the export ended (finished, cancelled, failed; the last two said in its list as
// well) and any notes on the written target; its button then closes it.
class ExportProgressDialog : public QDialog
{
    Q_OBJECT

public:
    enum class End {
        Finished,  // every row, or as many as the target takes
        Cancelled, // by the user or by the window whose rows went
        Failed     // nothing of the export stays
    };

    explicit ExportProgressDialog(QWidget* parent = nullptr);
    ~ExportProgressDialog() override;

    // The program's one instance, a child of the main window.
    static ExportProgressDialog* DefaultInstance();

    // Keeps the calling form and shows the name; a new export starts collapsed and counting.
    Q_INVOKABLE void SetInitialValues(QObject* callerForm, const QString& name);
    // While the window is minimised its caption shows the count.
    Q_INVOKABLE void SetRecordCount(qint64 count);
    // Appends a line and scrolls to it; the first line brings the window to its full size.
    Q_INVOKABLE void AddMessage(const QString& text);

    // The export ended: how, the count the target holds and the notes stay in view until the
    // user closes.
    void ShowEnd(End end, qint64 count, const QStringList& notes);
    // The program's own unload: closes without cancelling anything.
    void Unload();

    bool isExpanded() const;
    bool hasEnded() const { return m_ended; }
    End end() const { return m_end; }

public Q_SLOTS:
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void collapse();
    void expand();
    void cancelClicked();
    void updateCaption();
    // How the export ended, with the count.
    QString endText() const;

    QPointer<QObject> m_caller;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_count = nullptr;
    QListWidget* m_messages = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_fullHeight = 0;
    bool m_ended = false;
    End m_end = End::Finished;
    bool m_programClose = false;
};
