#pragma once

#include "ui/WindowSettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <optional>
#include <string>
#include <vector>

class QFormLayout;

/// Options > Settings...: what a modern crawl takes from the command line's
/// options, each field checked as the command line checks it. OK stores
/// them all; a refused field keeps the dialog open and says why beside it.
class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSettingsDlg(const CWindowSettings& settings, QWidget* pParent = nullptr);

    /// The settings as last accepted.
    const CWindowSettings& GetSettings() const { return m_settings; }
    /// Why the last OK was refused; empty when it was not.
    QString GetError() const { return m_labelError.text(); }

    void accept() override;

private:
    void AddFields(QFormLayout& form);
    void Fill(const CWindowSettings& settings);
    /// The first refused field's reason, with the focus moved to it.
    std::optional<std::string> CheckFields();
    std::vector<std::string> MakeArguments() const;

    CWindowSettings m_settings;
    QLineEdit m_editPerHost;
    QLineEdit m_editRate;
    QLineEdit m_editRetries;
    QLineEdit m_editMaxRetryWait;
    QCheckBox m_chkRobots;
    QLineEdit m_editUserAgent;
    QCheckBox m_chkFragments;
    QPlainTextEdit m_editIncludes;
    QPlainTextEdit m_editExcludes;
    QLineEdit m_editAccept;
    QLineEdit m_editCache;
    QLineEdit m_editCacheAge;
    QCheckBox m_chkNetrc;
    QLabel m_labelError;
};
