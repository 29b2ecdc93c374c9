#pragma once
// The call log: when NERA_SIM_LOG names a file, every library call appends one line
//   <function>[ <name>=<value>]... -> <result>
// Handles and counts are decimal, addresses, lengths, codes and checksums "0x%08X",
// written data of an area as 256 hex digits.

#include <cstdint>
#include <string>

namespace nerasim {

constexpr char kLogEnvironment[] = "NERA_SIM_LOG";

// Builds one log line, argument by argument.
class CLogLine {
public:
    explicit CLogLine(const char* function) : m_text(function) {}

    CLogLine& Dec(const char* name, uint32_t value);
    CLogLine& Hex(const char* name, uint32_t value);
    CLogLine& Text(const char* name, const std::string& value);
    // The finished line (no line break) with a result.
    std::string Result(int result) const;
    // A handle or count result, unsigned decimal.
    std::string Result(uint32_t result) const;
    std::string HexResult(uint32_t result) const;

private:
    std::string m_text;
};

// Appends the line and a line feed to the file named by NERA_SIM_LOG, if set.
void AppendCallLog(const std::string& line);

} // namespace nerasim
