#include "framework/testing/ScriptedUi_win.h"

namespace {
int AnswerBox(const MessageBoxRequest& request, void* context) {
    auto* ui = static_cast<CScriptedUi*>(context);
    ui->m_boxes.push_back(request);
    if (!ui->m_answers.empty()) {
        int answer = ui->m_answers.front();
        ui->m_answers.pop_front();
        return answer;
    }
    UINT buttons = request.type & MB_TYPEMASK;
    if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) {
        ++ui->m_unexpectedQuestions;
        return IDNO;
    }
    return IDOK;
}

INT_PTR AnswerFileDialog(CFileDialog& dialog, void* context) {
    auto* ui = static_cast<CScriptedUi*>(context);
    ++ui->m_fileDialogs;
    ui->m_lastFileDialogWasOpen = dialog.IsOpenDialog();
    ui->m_lastFilter = dialog.GetFilter();
    ui->m_lastDefaultExt = dialog.GetDefaultExt();
    ui->m_lastFileDialogFlags = dialog.GetFlags();
    if (ui->m_files.empty() || ui->m_files.front().empty()) {
        if (!ui->m_files.empty()) {
            ui->m_files.pop_front();
        }
        return IDCANCEL;
    }
    dialog.SetChosenPath(ui->m_files.front());
    ui->m_files.pop_front();
    return IDOK;
}
} // namespace

CScriptedUi::CScriptedUi() {
    SetMessageBoxHandler(&AnswerBox, this);
    CFileDialog::SetHandler(&AnswerFileDialog, this);
}

CScriptedUi::~CScriptedUi() {
    SetMessageBoxHandler(nullptr, nullptr);
    CFileDialog::SetHandler(nullptr, nullptr);
}

std::vector<std::wstring> CScriptedUi::Texts() const {
    std::vector<std::wstring> texts;
    for (const MessageBoxRequest& box : m_boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

void CScriptedUi::Clear() {
    m_boxes.clear();
    m_unexpectedQuestions = 0;
    m_fileDialogs = 0;
}
