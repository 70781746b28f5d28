#include "ui/SettingsDlg.h"

#include "cli/CliOptions.h"
#include "cli/ParseCliOptions.h"
#include "crawl/LinkFilter.h"
#include "winsys/WindowSystem.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace {

// Every key the dialog sets, for taking them all from one parse.
const std::vector<std::string> ALL_KEYS = {"per-host", "rate", "retries", "max-retry-wait", "no-robots", "user-agent",
    "include", "exclude", "cache", "cache-age", "netrc"};

std::string Text(const QLineEdit& edit)
{
    return CWindowSystem::FromQString(edit.text().trimmed());
}

std::vector<std::string> Lines(const QPlainTextEdit& edit)
{
    std::vector<std::string> lines;
    for (const QString& strLine : edit.toPlainText().split(QLatin1Char('\n'))) {
        if (!strLine.trimmed().isEmpty())
            lines.push_back(CWindowSystem::FromQString(strLine.trimmed()));
    }
    return lines;
}

QString Joined(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& strLine : lines)
        list << CWindowSystem::ToQString(strLine);
    return list.join(QLatin1Char('\n'));
}

// The reason the command line refuses one option's value; nothing for an
// empty value, which leaves the option out.
std::optional<std::string> CheckOption(const char* pszOption, const std::string& strValue)
{
    if (strValue.empty())
        return std::nullopt;
    CCliOptions options;
    return ParseSettings({pszOption, strValue}, options);
}

std::optional<std::string> CheckPatterns(const std::vector<std::string>& patterns, bool bExclude)
{
    CLinkFilter filter;
    std::string strError;
    for (const std::string& strPattern : patterns) {
        const bool bGood = bExclude ? filter.AddExclude(strPattern, strError) : filter.AddInclude(strPattern, strError);
        if (!bGood)
            return "the pattern \"" + strPattern + "\" is not valid: " + strError;
    }
    return std::nullopt;
}

} // namespace

CSettingsDlg::CSettingsDlg(const CWindowSettings& settings, QWidget* pParent)
    : QDialog(pParent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("SettingsDlg"));
    setWindowTitle(tr("Settings - Lintrel"));
    auto* pForm = new QFormLayout;
    AddFields(*pForm);
    m_labelError.setObjectName(QStringLiteral("SettingsError"));
    m_labelError.setWordWrap(true);
    m_labelError.setAccessibleName(tr("Why the settings were refused"));
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CSettingsDlg::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(&m_labelError);
    pLayout->addWidget(pButtons);
    Fill(settings);
}

void CSettingsDlg::AddFields(QFormLayout& form)
{
    const auto Add = [&form](const char* pszName, const QString& strLabel, QWidget& field) {
        field.setObjectName(QString::fromLatin1(pszName));
        if (strLabel.isEmpty())
            form.addRow(&field);
        else
            form.addRow(strLabel, &field);
    };
    Add("per-host", tr("&Per host (requests at once):"), m_editPerHost);
    Add("rate", tr("R&ate (requests a second, empty: no bound):"), m_editRate);
    Add("retries", tr("Re&tries:"), m_editRetries);
    Add("max-retry-wait", tr("Longest &wait a server may ask (s):"), m_editMaxRetryWait);
    m_chkRobots.setText(tr("Obey the site's &robots.txt"));
    Add("robots", QString(), m_chkRobots);
    Add("user-agent", tr("&User agent (empty: Lintrel's own):"), m_editUserAgent);
    // Fragment checks take their place here once the crawl reports them.
    m_chkFragments.setText(tr("Check &fragments"));
    Add("fragments", QString(), m_chkFragments);
    m_chkFragments.setVisible(false);
    Add("include", tr("&Include patterns (one a line):"), m_editIncludes);
    Add("exclude", tr("E&xclude patterns (one a line):"), m_editExcludes);
    Add("accept", tr("A&ccepted codes (such as 200-299,403):"), m_editAccept);
    Add("cache", tr("Cac&he file (empty: none):"), m_editCache);
    Add("cache-age", tr("Cache a&ge (such as 30m or 1d):"), m_editCacheAge);
    m_chkNetrc.setText(tr("Log in with ~/.&netrc"));
    Add("netrc", QString(), m_chkNetrc);
    for (QPlainTextEdit* pEdit : {&m_editIncludes, &m_editExcludes}) {
        pEdit->setTabChangesFocus(true);
        pEdit->setMaximumHeight(4 * fontMetrics().height());
    }
}

void CSettingsDlg::Fill(const CWindowSettings& settings)
{
    m_editPerHost.setText(QString::number(settings.m_nPerHost));
    m_editRate.setText(settings.m_nRate > 0 ? QString::number(settings.m_nRate) : QString());
    m_editRetries.setText(QString::number(settings.m_nRetries));
    m_editMaxRetryWait.setText(QString::number(settings.m_nMaxRetryWait));
    m_chkRobots.setChecked(!settings.m_bNoRobots);
    m_editUserAgent.setText(CWindowSystem::ToQString(settings.m_strUserAgent));
    m_editIncludes.setPlainText(Joined(settings.m_includes));
    m_editExcludes.setPlainText(Joined(settings.m_excludes));
    m_editAccept.setText(CWindowSystem::ToQString(settings.m_strAccept));
    m_editCache.setText(CWindowSystem::ToQString(settings.m_strCache));
    m_editCacheAge.setText(CWindowSystem::ToQString(settings.m_strCacheAge));
    m_chkNetrc.setChecked(settings.m_bNetrc);
}

std::optional<std::string> CSettingsDlg::CheckFields()
{
    const auto Refused = [](QWidget& field, std::optional<std::string> strReason) {
        if (strReason)
            field.setFocus(Qt::OtherFocusReason);
        return strReason;
    };
    struct SNumber {
        const char* pszOption;
        QLineEdit* pEdit;
        bool bOptional;
    };
    for (const SNumber& number : {SNumber {"--per-host", &m_editPerHost, false}, {"--rate", &m_editRate, true},
             {"--retries", &m_editRetries, false}, {"--max-retry-wait", &m_editMaxRetryWait, false},
             {"--user-agent", &m_editUserAgent, true}, {"--cache-age", &m_editCacheAge, false}}) {
        if (Text(*number.pEdit).empty() && !number.bOptional)
            return Refused(*number.pEdit, std::string(number.pszOption + 2) + " needs a value");
        if (auto strReason = Refused(*number.pEdit, CheckOption(number.pszOption, Text(*number.pEdit))))
            return strReason;
    }
    if (auto strReason = Refused(m_editIncludes, CheckPatterns(Lines(m_editIncludes), false)))
        return "include: " + *strReason;
    if (auto strReason = Refused(m_editExcludes, CheckPatterns(Lines(m_editExcludes), true)))
        return "exclude: " + *strReason;
    if (auto strReason = Refused(m_editAccept, CWindowSettings::CheckAccept(Text(m_editAccept))))
        return "accepted codes: " + *strReason;
    return std::nullopt;
}

std::vector<std::string> CSettingsDlg::MakeArguments() const
{
    std::vector<std::string> arguments = {"--per-host", Text(m_editPerHost), "--retries", Text(m_editRetries),
        "--max-retry-wait", Text(m_editMaxRetryWait), "--cache-age", Text(m_editCacheAge)};
    for (const auto& [pszOption, strValue] : {std::pair {"--rate", Text(m_editRate)},
             {"--user-agent", Text(m_editUserAgent)}, {"--cache", Text(m_editCache)}}) {
        if (!strValue.empty())
            arguments.insert(arguments.end(), {pszOption, strValue});
    }
    for (const std::string& strPattern : Lines(m_editIncludes))
        arguments.insert(arguments.end(), {"--include", strPattern});
    for (const std::string& strPattern : Lines(m_editExcludes))
        arguments.insert(arguments.end(), {"--exclude", strPattern});
    if (!m_chkRobots.isChecked())
        arguments.push_back("--no-robots");
    if (m_chkNetrc.isChecked())
        arguments.push_back("--netrc");
    return arguments;
}

void CSettingsDlg::accept()
{
    std::optional<std::string> strReason = CheckFields();
    CCliOptions options;
    if (!strReason)
        strReason = ParseSettings(MakeArguments(), options);
    if (strReason) {
        m_labelError.setText(CWindowSystem::ToQString(*strReason));
        return;
    }
    m_labelError.clear();
    m_settings.TakeFrom(options, ALL_KEYS);
    m_settings.m_strAccept = Text(m_editAccept);
    m_settings.Save();
    QDialog::accept();
}
