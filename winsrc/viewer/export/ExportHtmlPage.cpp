#include "ExportHtmlPage.h"

#include "ExportChoosers.h"
#include "ExportHtmlWriter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int MsgFileChooser = 254;
constexpr int MsgAllFiles = 258;
constexpr int MsgHtmlFiles = 1202;

using Scope = ExportSettings::Scope;

} // namespace

ExportHtmlPage::ExportHtmlPage(QWidget* parent)
    : ExportOptionsPage(parent), m_file(lineEdit(u"HTMLDateiName"_s)),
      m_withHeading(checkBox(u"HTMLMitUeberschrift"_s, u"273"_s)), m_borderSize(lineEdit(u"HTMLRahmenDicke"_s)),
      m_showInBrowser(checkBox(u"HTMLDateiInBrowserZeigen"_s, u"272"_s))
{
    const ExportHtmlWriter::Options defaults;
    auto* fileChooser = chooserButton(u"HTMLDateiDialogButton"_s);
    m_borderSize->setMaximumWidth(80);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"HTMLDateiNameLabel"_s, u"216"_s), 0, 0);
    grid->addWidget(m_file, 0, 1, 1, 4);
    grid->addWidget(fileChooser, 0, 5);
    grid->addWidget(m_withHeading, 1, 0, 1, 6);
    grid->addWidget(label(u"HTMLRahmenDickeLabel"_s, u"274"_s), 2, 0);
    grid->addWidget(m_borderSize, 2, 1);
    grid->addWidget(label(u"HTMLForegroundLabel"_s, u"279"_s), 3, 1);
    grid->addWidget(label(u"HTMLBackgroundLabel"_s, u"280"_s), 3, 3);
    struct ColorRow
    {
        QString label;
        QString message;
        QLineEdit** foreground;
        QString fgName;
        QString fgButton;
        QString fgDefault;
        QLineEdit** background;
        QString bgName;
        QString bgButton;
        QString bgDefault;
    };
    const ColorRow rows[] = {
        {u"HTMLHeaderLabel"_s, u"275"_s, &m_headerForeground, u"HTMLFGColorHeader"_s, u"HTMLFGHeaderButton"_s,
         defaults.headerForeground, &m_headerBackground, u"HTMLBGColorHeader"_s, u"HTMLBGHeaderButton"_s,
         defaults.headerBackground},
        {u"HTMLEvenLabel"_s, u"276"_s, &m_evenForeground, u"HTMLFGColorEven"_s, u"HTMLFGEvenButton"_s,
         defaults.evenForeground, &m_evenBackground, u"HTMLBGColorEven"_s, u"HTMLBGEvenButton"_s,
         defaults.evenBackground},
        {u"HTMLOddLabel"_s, u"277"_s, &m_oddForeground, u"HTMLFGColorOdd"_s, u"HTMLFGOddButton"_s,
         defaults.oddForeground, &m_oddBackground, u"HTMLBGColorOdd"_s, u"HTMLBGOddButton"_s, defaults.oddBackground},
        {u"HTMLBorderColorLabel"_s, u"278"_s, &m_borderColor, u"HTMLBorderColor"_s, u"HTMLBorderColorButton"_s,
         defaults.borderColor, nullptr, QString(), QString(), QString()},
    };
    int row = 4;
    for (const ColorRow& r : rows) {
        grid->addWidget(label(r.label, r.message), row, 0);
        *r.foreground = colorBox(r.fgName, r.fgButton);
        grid->addWidget(*r.foreground, row, 1);
        grid->addWidget(m_colorButtons.last(), row, 2);
        if (r.background) {
            *r.background = colorBox(r.bgName, r.bgButton);
            grid->addWidget(*r.background, row, 3);
            grid->addWidget(m_colorButtons.last(), row, 4);
        }
        ++row;
    }
    grid->addWidget(m_showInBrowser, row, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row + 1, 1);

    connect(fileChooser, &QPushButton::clicked, this, [this] {
        ExportChoosers::SaveFile(
            this, m_file, MsgFileChooser, u"html"_s,
            {ExportChoosers::Filter(MsgHtmlFiles, u"*.html"_s), ExportChoosers::Filter(MsgAllFiles, u"*"_s)}, true);
    });

    // In the order the settings were always read: the file, the heading, the border, then the
    // colours of the rows above.
    bind(m_file, {u"HTMLFileName"_s, Scope::PerCaption, u"{folder}/{name}.html"_s});
    bind(m_withHeading, {u"HTMLWithHeading"_s, Scope::Shared, u"1"_s});
    bind(m_borderSize, {u"HTMLBorderSize"_s, Scope::Shared, defaults.borderSize});
    for (const ColorRow& r : rows) {
        bind(*r.foreground, {r.fgName, Scope::Shared, r.fgDefault});
        if (r.background)
            bind(*r.background, {r.bgName, Scope::Shared, r.bgDefault});
    }
    bind(m_showInBrowser, {u"HTMLShowFileInBrowser"_s, Scope::Shared, u"0"_s});
}

QLineEdit* ExportHtmlPage::colorBox(const QString& name, const QString& buttonName)
{
    QLineEdit* box = lineEdit(name);
    QPushButton* button = chooserButton(buttonName);
    m_colorButtons.append(button);
    connect(button, &QPushButton::clicked, this, [this, box] { ExportChoosers::HtmlColor(this, box); });
    return box;
}

std::unique_ptr<ExportWriter> ExportHtmlPage::createWriter(const ExportJob& job) const
{
    ExportHtmlWriter::Options options;
    options.fileName = m_file->text();
    options.withHeading = m_withHeading->isChecked();
    options.borderSize = m_borderSize->text();
    options.headerForeground = m_headerForeground->text();
    options.headerBackground = m_headerBackground->text();
    options.evenForeground = m_evenForeground->text();
    options.evenBackground = m_evenBackground->text();
    options.oddForeground = m_oddForeground->text();
    options.oddBackground = m_oddBackground->text();
    options.borderColor = m_borderColor->text();
    options.showInBrowser = m_showInBrowser->isChecked();
    return std::make_unique<ExportHtmlWriter>(job, options);
}

QWidget* ExportHtmlPage::focusControl(int option) const
{
    switch (option) {
    case ExportHtmlWriter::FileName:
        return m_file;
    case ExportHtmlWriter::BorderSizeBox:
        return m_borderSize;
    case ExportHtmlWriter::HeaderForegroundBox:
        return m_headerForeground;
    case ExportHtmlWriter::HeaderBackgroundBox:
        return m_headerBackground;
    case ExportHtmlWriter::EvenForegroundBox:
        return m_evenForeground;
    case ExportHtmlWriter::EvenBackgroundBox:
        return m_evenBackground;
    case ExportHtmlWriter::OddForegroundBox:
        return m_oddForeground;
    case ExportHtmlWriter::OddBackgroundBox:
        return m_oddBackground;
    case ExportHtmlWriter::BorderColorBox:
        return m_borderColor;
    default:
        return nullptr;
    }
}
