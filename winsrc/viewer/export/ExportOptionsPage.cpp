#include "ExportOptionsPage.h"

#include "ExportWriter.h"
#include "ViewerConfig.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

ExportOptionsPage::ExportOptionsPage(QWidget* parent) : QWidget(parent) {}

ExportOptionsPage::~ExportOptionsPage() = default;

void ExportOptionsPage::setCaption(const QString& caption)
{
    Q_UNUSED(caption);
}

void ExportOptionsPage::setFields(const QList<ExportField>& fields)
{
    Q_UNUSED(fields);
}

void ExportOptionsPage::load(const QString& caption)
{
    for (const Binding& binding : std::as_const(m_bindings))
        binding.read(ExportSettings::Read(binding.entry, caption));
}

void ExportOptionsPage::store(const QString& caption) const
{
    for (const Binding& binding : m_bindings)
        ExportSettings::Write(binding.entry, caption, binding.written());
}

void ExportOptionsPage::bind(const ExportSettings::Entry& entry, std::function<void(const QString&)> read,
                             std::function<QString()> written)
{
    m_bindings.append({entry, std::move(read), std::move(written)});
}

void ExportOptionsPage::bind(QCheckBox* box, const ExportSettings::Entry& entry)
{
    bind(
        entry,
        [box](const QString& value) {
            const std::optional<bool> checked = ViewerConfig::parseBool(value);
            if (checked && box->isEnabled())
                box->setChecked(*checked);
        },
        [box] { return box->isChecked() ? u"1"_s : u"0"_s; });
}

void ExportOptionsPage::bind(QLineEdit* box, const ExportSettings::Entry& entry)
{
    bind(
        entry, [box](const QString& value) { box->setText(value); }, [box] { return box->text(); });
}

QLabel* ExportOptionsPage::label(const QString& name, const QString& message)
{
    auto* label = new QLabel(message, this);
    label->setObjectName(name);
    return label;
}

QLineEdit* ExportOptionsPage::lineEdit(const QString& name)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    return box;
}

QCheckBox* ExportOptionsPage::checkBox(const QString& name, const QString& message)
{
    auto* box = new QCheckBox(message, this);
    box->setObjectName(name);
    return box;
}

QPushButton* ExportOptionsPage::chooserButton(const QString& name)
{
    auto* button = new QPushButton(u"..."_s, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setMaximumWidth(40);
    return button;
}

void ExportOptionsPage::enableWith(QCheckBox* box, const QList<QWidget*>& dependents, bool whenTicked)
{
    const auto apply = [dependents, whenTicked](bool ticked) {
        for (QWidget* w : dependents)
            w->setEnabled(ticked == whenTicked);
    };
    connect(box, &QCheckBox::toggled, this, apply);
    apply(box->isChecked());
}

void ExportOptionsPage::excludeEachOther(QCheckBox* first, QCheckBox* second)
{
    connect(first, &QCheckBox::toggled, second, [second](bool ticked) {
        if (ticked)
            second->setChecked(false);
    });
    connect(second, &QCheckBox::toggled, first, [first](bool ticked) {
        if (ticked)
            first->setChecked(false);
    });
}
