#pragma once
// A host for the commands in tests: files in memory, the two streams recorded, answers given
// in advance.

#include <functional>
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
    bool WriteNewFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        if (m_files.count(path) != 0 || m_readOnly.count(path) != 0 || m_readOnlyFolders.count(Folder(path)) != 0) {
            reason = L"cannot write";
            return false;
        }
        m_files[path] = data;
        return true;
    }
    bool AppendFile(const std::wstring& path, const std::vector<uint8_t>& data, std::wstring& reason) override {
        if (m_readOnly.count(path) != 0) {
            reason = L"read only";
            return false;
        }
        std::vector<uint8_t>& file = m_files[path];
        file.insert(file.end(), data.begin(), data.end());
        return true;
    }
    bool CreateFolder(const std::wstring& path, std::wstring& reason) override {
        m_folders.insert(path);
        (void)reason;
        return true;
    }
    wchar_t PathSeparator() override { return L'/'; }
    void Pause(unsigned milliseconds) override {
        m_paused += milliseconds;
        if (m_onPause) {
            m_onPause();
        }
    }
    std::string UtcNow() override { return "2026-12-09T01:02:0" + std::to_string(m_clock++ % 10) + "Z"; }

    void PutText(const std::wstring& path, const std::string& text) {
        m_files[path] = std::vector<uint8_t>(text.begin(), text.end());
    }
    std::string Text(const std::wstring& path) const {
        auto found = m_files.find(path);
        return found == m_files.end() ? std::string()
                                      : std::string(found->second.begin(), found->second.end());
    }

    static std::wstring Folder(const std::wstring& path) { return path.substr(0, path.rfind(L'/') + 1); }

    std::map<std::wstring, std::vector<uint8_t>> m_files;
    std::set<std::wstring> m_folders;
    std::set<std::wstring> m_readOnlyFolders; // folders (ending in '/') no new file can be made in
    std::function<void()> m_onPause;         // the line moves on while the batch waits
    unsigned m_paused = 0;
    int m_clock = 0;
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
