#pragma once

#include "ExportJob.h"
#include "ExportSettings.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class ExportWriter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// A format's page of the export dialog: its controls and their rules, the settings they are
// stored under, and the format's writer with the options as the controls hold them. The
// dialog shows the page of the export's kind and knows none of its controls.
//
// A page binds each stored setting to what reads and writes it, in the order the settings are
// read; a box's handlers then run as its value comes in, so the controls it switches follow
// the loaded values.
class ExportOptionsPage : public QWidget
{
    Q_OBJECT

public:
    explicit ExportOptionsPage(QWidget* parent = nullptr);
    ~ExportOptionsPage() override;

    // What every page of every kind takes from a new export's caption (the worksheet name).
    virtual void setCaption(const QString& caption);
    // The settings stored for an export of this caption; a value a control cannot take leaves
    // it as it is.
    void load(const QString& caption);
    // Every setting of the page, for an export of this caption.
    void store(const QString& caption) const;
    // The fields of the export, in export order (the XML page offers choices among them).
    virtual void setFields(const QList<ExportField>& fields);

    // The format's writer for the job, with the options as the controls hold them.
    virtual std::unique_ptr<ExportWriter> createWriter(const ExportJob& job) const = 0;
    // The control of an option a check named (the writer's Option); null for none.
    virtual QWidget* focusControl(int option) const = 0;

protected:
    void bind(const ExportSettings::Entry& entry, std::function<void(const QString&)> read,
              std::function<QString()> written);
    // A check box, stored "1"/"0" (other spellings read as well); a disabled box is not set.
    void bind(QCheckBox* box, const ExportSettings::Entry& entry);
    void bind(QLineEdit* box, const ExportSettings::Entry& entry);

    // Controls named as the settings and the tests know them; the captions are message numbers
    // the dialog's form set-up turns into texts.
    QLabel* label(const QString& name, const QString& message);
    QLineEdit* lineEdit(const QString& name);
    QCheckBox* checkBox(const QString& name, const QString& message);
    QPushButton* chooserButton(const QString& name);
    // Enabled as the box is ticked (or, with whenTicked false, as it is not), now and on every
    // change.
    void enableWith(QCheckBox* box, const QList<QWidget*>& dependents, bool whenTicked = true);
    // Ticking one unticks the other.
    static void excludeEachOther(QCheckBox* first, QCheckBox* second);

private:
    struct Binding
    {
        ExportSettings::Entry entry;
        std::function<void(const QString&)> read;
        std::function<QString()> written;
    };
    QList<Binding> m_bindings;
};
