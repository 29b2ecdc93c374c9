#pragma once
#include "framework/FileDialog_win.h"
#include "framework/MessageBox_win.h"

#include <deque>
#include <string>
#include <vector>

// For in-process tests: answers message boxes and file dialogs from a script and records what
// the program asked. Installed for the life of the object.
class CScriptedUi {
public:
    CScriptedUi();
    ~CScriptedUi();
    CScriptedUi(const CScriptedUi&) = delete;
    CScriptedUi& operator=(const CScriptedUi&) = delete;

    // Next message box answer (IDOK, IDYES, IDNO, ...). Without a queued answer a box is
    // answered IDOK and counted as unexpected when it is a Yes/No question.
    void AnswerMessageBox(int answer) { m_answers.push_back(answer); }
    // Next file dialog: IDOK with this path, or cancel.
    void ChooseFile(const std::wstring& path) { m_files.push_back(path); }
    void CancelFileDialog() { m_files.push_back(std::wstring()); }

    std::vector<MessageBoxRequest> m_boxes; // every message box asked for, in order
    int m_unexpectedQuestions = 0;          // Yes/No boxes that found no scripted answer
    int m_fileDialogs = 0;                  // file dialogs shown
    bool m_lastFileDialogWasOpen = false;
    std::wstring m_lastFilter;
    std::wstring m_lastDefaultExt;
    DWORD m_lastFileDialogFlags = 0;

    std::deque<int> m_answers;
    std::deque<std::wstring> m_files;

    // Texts of the recorded boxes, for compact assertions.
    std::vector<std::wstring> Texts() const;
    void Clear();
};
