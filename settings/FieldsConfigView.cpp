#include "settings/FieldsConfigView.h"

#include "common/HexText.h"

bool CFieldsConfigView::AskYesNo(const std::wstring& question) {
    if (m_yes) {
        return true;
    }
    // Input from a script is never taken for an answer.
    if (!CanAsk()) {
        m_unanswered = true;
        return false;
    }
    return Ask(question);
}

bool CFieldsConfigView::AskMacChange(const uint8_t currentMac[kMacSize], const uint8_t newMac[kMacSize]) {
    return AskYesNo(std::wstring(kMacChangeQuestion) + L"\n  " + MacColonText(currentMac) + L" → " +
                    MacColonText(newMac));
}

bool CFieldsConfigView::CollectNewSettings(NeraSettings& settings) {
    m_problem = SEditorProblem();
    if (CheckExchangedFields(m_fields, m_problem) && CollectEditorSettings(m_fields, settings, m_problem)) {
        return true;
    }
    ShowRefusal();
    return false;
}

std::wstring MacColonText(const uint8_t mac[kMacSize]) {
    return WideHexFromBytes(mac, kMacSize, L':');
}
