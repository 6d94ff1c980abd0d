#pragma once

// An edit field that stays tied to the editor it came from: it writes its new value back,
// reloads itself and opens the sub-screen behind a button field. It keeps its editor alive.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include <QObject>
#include <QSharedPointer>
#include <QVariant>

class KLVEditField;
class KLVEditor;

class KLVBoundEditField : public QObject
{
    Q_OBJECT

public:
    explicit KLVBoundEditField(QObject* parent = nullptr);
    ~KLVBoundEditField() override;

    // Null when the editor could not read the field.
    Q_INVOKABLE QSharedPointer<KLVEditField> EditField() const { return m_field; }
    Q_INVOKABLE QSharedPointer<KLVEditor> Editor() const { return m_editor; }
    // Sends the field's new value, if it has one; Reload then reads the field again. A
    // QVariant holding a bool; the reason of a failure is the editor's last error.
    Q_INVOKABLE QVariant Update(bool Reload = false);
    // Reads the field again from the server; on failure the old field stays.
    Q_INVOKABLE bool Refresh();
    // The sub-editor behind the field, which must be a sub-screen button; null on failure.
    Q_INVOKABLE QSharedPointer<KLVEditor> OpenSubEditor();

    // Library-internal.
    void InitBoundField(const QSharedPointer<KLVEditor>& editor, const QSharedPointer<KLVEditField>& field);

private:
    QSharedPointer<KLVEditField> m_field;
    QSharedPointer<KLVEditor> m_editor;
};
