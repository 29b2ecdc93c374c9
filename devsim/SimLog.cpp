#include "devsim/SimLog.h"

#include "devsim/SimBytes.h"
#include "devsim/SimFs.h"

namespace nerasim {

CLogLine& CLogLine::Dec(const char* name, uint32_t value) {
    m_text += ' ';
    m_text += name;
    m_text += '=';
    m_text += std::to_string(value);
    return *this;
}

CLogLine& CLogLine::Hex(const char* name, uint32_t value) {
    m_text += ' ';
    m_text += name;
    m_text += '=';
    m_text += FormatHex32(value);
    return *this;
}

CLogLine& CLogLine::Text(const char* name, const std::string& value) {
    m_text += ' ';
    m_text += name;
    m_text += '=';
    m_text += value;
    return *this;
}

std::string CLogLine::Result(int result) const {
    return m_text + " -> " + std::to_string(result);
}

std::string CLogLine::Result(uint32_t result) const {
    return m_text + " -> " + std::to_string(result);
}

std::string CLogLine::HexResult(uint32_t result) const {
    return m_text + " -> " + FormatHex32(result);
}

void AppendCallLog(const std::string& line) {
    std::string file = FsGetEnv(kLogEnvironment);
    if (!file.empty())
        FsAppend(file, line + "\n");
}

} // namespace nerasim
