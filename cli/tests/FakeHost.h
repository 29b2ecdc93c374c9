#pragma once
// A host for the commands in tests: files in memory, the two streams recorded, answers given
// in advance.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/NeraCommand.h"

class CFakeHost : public INeraHost {
public:
    void Out(const std::wstring& text) override { m_out += text; }
    void Err(const std::wstring& text) override { m_err += text; }
    bool ErrIsConsole() override { return m_console; }
    bool InIsConsole() override { return m_inConsole; }
    bool AskYesNo(const std::wstring& question) override {
        m_questions.push_back(question);
        return m_questions.size() <= m_answers.size() && m_answers[m_questions.size() - 1];
    }
    bool StopRequested() override { return m_stopAfter == 0 || (m_stopAfter > 0 && --m_stopAfter == 0); }
    bool ReadFile(const std::wstring& path, size_t maxBytes, std::vector<uint8_t>& data,
                  std::wstring& reason) override {
        auto found = m_files.find(path);
        if (found == m_files.end() || found->second.size() > maxBytes) {
            reason = L"missing or too large";
            return false;
        }
        data = found->second;
        return true;
    }
    bool FileExists(const std::wstring& path) override { return m_files.count(path) != 0; }
    bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& data, bool inPlace,
                   std::wstring& reason) override {
        m_writes.push_back({path, inPlace});
        if (m_readOnly.count(path) != 0) {
            reason = L"read only";
            return false;
        }
        m_files[path] = data;
        return true;
    }
    std::wstring DefaultPackagePath() override { return L"NeraUpdater.exe"; }

    void PutText(const std::wstring& path, const std::string& text) {
        m_files[path] = std::vector<uint8_t>(text.begin(), text.end());
    }
    std::string Text(const std::wstring& path) const {
        auto found = m_files.find(path);
        return found == m_files.end() ? std::string()
                                      : std::string(found->second.begin(), found->second.end());
    }

    std::map<std::wstring, std::vector<uint8_t>> m_files;
    std::set<std::wstring> m_readOnly;
    std::vector<std::pair<std::wstring, bool>> m_writes; // path, in place
    std::wstring m_out;
    std::wstring m_err;
    bool m_console = false;
    bool m_inConsole = true;     // a person at the keyboard
    std::vector<bool> m_answers; // in question order; then No
    // Ctrl+C: -1 never; N > 0: StopRequested() says yes from its Nth call on (0: from the start).
    int m_stopAfter = -1;
    std::vector<std::wstring> m_questions;
};
