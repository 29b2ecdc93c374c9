#pragma once
// NeraConfig's session driven by a script instead of a window: the new column is the fields
// that set (or a batch row) made, a question goes to a person only when one can answer, and a
// refusal is kept for the caller to report. nera's set and the batch derive their views from it.

#include <string>

#include "settings/ConfigSession.h"
#include "settings/SettingsEditor.h"

class CFieldsConfigView : public IConfigView {
public:
    // yes answers every question; without it a question goes to Ask, when CanAsk.
    explicit CFieldsConfigView(bool yes) : m_yes(yes) {}

    bool AskYesNo(const std::wstring& question) override;
    bool AskMacChange(const uint8_t currentMac[kMacSize], const uint8_t newMac[kMacSize]) override;
    void ShowCurrentSettings(const NeraSettings&) override {}
    void ShowConnected(bool) override {}
    void TakeDeviceMac(const std::wstring& macText) override { m_fields.macText = macText; }
    bool CollectNewSettings(NeraSettings& settings) override;
    void ShowWritten(bool) override {}

    SEditorFields m_fields;
    bool m_unanswered = false; // a question was needed but nobody could answer it
    SEditorProblem m_problem;  // why CollectNewSettings refused

protected:
    // Whether a person can answer now (a console), and the question put to that person.
    virtual bool CanAsk() = 0;
    virtual bool Ask(const std::wstring& question) = 0;
    // The fields could not become a record: m_problem says why.
    virtual void ShowRefusal() = 0;

private:
    bool m_yes;
};

// "02:4E:45:52:41:01"
std::wstring MacColonText(const uint8_t mac[kMacSize]);
