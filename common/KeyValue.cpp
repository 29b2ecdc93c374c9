#include "common/KeyValue.h"

namespace {

const char kBlanks[] = " \t\r";

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos) {
        return std::string();
    }
    const size_t end = text.find_last_not_of(kBlanks);
    return text.substr(begin, end - begin + 1);
}

} // namespace

std::vector<SKeyValueLine> ReadKeyValueLines(const std::string& text) {
    std::vector<SKeyValueLine> lines;
    size_t lineStart = 0;
    int number = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = text.size();
        }
        const std::string line = Trim(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        ++number;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SKeyValueLine entry;
        entry.number = number;
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            entry.hasEquals = true;
            entry.key = Trim(line.substr(0, equals));
            entry.value = Trim(line.substr(equals + 1));
        }
        lines.push_back(entry);
    }
    return lines;
}

std::string FindKeyValue(const std::string& text, const std::string& key) {
    for (const SKeyValueLine& line : ReadKeyValueLines(text)) {
        if (line.hasEquals && line.key == key) {
            return line.value;
        }
    }
    return std::string();
}

bool IsKeepableValue(const std::string& value) {
    return value.find_first_of("\r\n") == std::string::npos && Trim(value) == value;
}
