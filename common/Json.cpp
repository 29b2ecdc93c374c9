#include "common/Json.h"

#include <unordered_set>

#include "common/HexText.h"
#include "common/Utf8Text.h"

namespace {

void AppendEscapedUnit(std::string& out, uint32_t unit) {
    out += "\\u" + HexFromNumber(unit, 4);
}

bool Matches(const std::string& text, size_t pos, const char* word) {
    return text.compare(pos, std::char_traits<char>::length(word), word) == 0;
}

} // namespace

const SJsonValue* SJsonValue::Member(const wchar_t* name) const {
    for (const auto& member : members) {
        if (member.first == name) {
            return &member.second;
        }
    }
    return nullptr;
}

bool CJsonReader::ReadDocument(SJsonValue& value) {
    // A byte-order mark, as some editors write one.
    if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_pos = 3;
    }
    SkipBlanks();
    if (!ReadValue(value, 0)) {
        return false;
    }
    SkipBlanks();
    if (m_pos != m_text.size()) {
        return Error(L"値の後ろに余分な文字があります");
    }
    return true;
}

std::wstring CJsonReader::Where() const {
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < m_errorPos && i < m_text.size(); ++i) {
        if (m_text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<uint8_t>(m_text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return std::to_wstring(line) + L" 行 " + std::to_wstring(column) + L" 文字目";
}

bool CJsonReader::Error(const wchar_t* reason) {
    m_reason = reason;
    m_errorPos = m_pos;
    return false;
}

void CJsonReader::SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
        ++m_pos;
    }
}

bool CJsonReader::ReadValue(SJsonValue& value, int depth) {
    if (AtEnd()) {
        return Error(L"値がありません");
    }
    const uint8_t c = Peek();
    if (c == '{' || (c == '[' && m_limits.arrays)) {
        if (depth >= m_limits.maxDepth) {
            return Error(L"オブジェクトの入れ子が深すぎます");
        }
        if (c == '[') {
            value.kind = SJsonValue::EKind::kArray;
            return ReadArray(value, depth + 1);
        }
        value.kind = SJsonValue::EKind::kObject;
        return ReadObject(value, depth + 1);
    }
    if (c == '"') {
        value.kind = SJsonValue::EKind::kString;
        return ReadString(value.text);
    }
    if (c >= '0' && c <= '9') {
        value.kind = SJsonValue::EKind::kNumber;
        return ReadNumber(value.number);
    }
    if (m_limits.literals && (c == 't' || c == 'f' || c == 'n')) {
        return ReadLiteral(value);
    }
    if (m_limits.literals) {
        return Error(m_limits.arrays
                         ? L"値は文字列、0 以上の整数、オブジェクト、配列、true、false または null "
                           L"でなければなりません"
                         : L"値は文字列、0 以上の整数、オブジェクト、true、false または null "
                           L"でなければなりません");
    }
    return Error(L"値は文字列、0 以上の整数またはオブジェクトでなければなりません");
}

bool CJsonReader::ReadLiteral(SJsonValue& value) {
    static const struct {
        const char* word;
        SJsonValue::EKind kind;
    } kLiterals[] = {{"true", SJsonValue::EKind::kTrue},
                     {"false", SJsonValue::EKind::kFalse},
                     {"null", SJsonValue::EKind::kNull}};
    for (const auto& literal : kLiterals) {
        if (Matches(m_text, m_pos, literal.word)) {
            m_pos += std::char_traits<char>::length(literal.word);
            value.kind = literal.kind;
            return true;
        }
    }
    return Error(L"true、false、null のどれでもない語があります");
}

bool CJsonReader::ReadArray(SJsonValue& value, int depth) {
    ++m_pos; // [
    SkipBlanks();
    if (!AtEnd() && Peek() == ']') {
        ++m_pos;
        return true;
    }
    for (;;) {
        SkipBlanks();
        SJsonValue item;
        if (!ReadValue(item, depth)) {
            return false;
        }
        value.items.push_back(std::move(item));
        SkipBlanks();
        if (AtEnd()) {
            return Error(L"「]」がありません");
        }
        if (Peek() == ']') {
            ++m_pos;
            return true;
        }
        if (Peek() != ',') {
            return Error(L"「,」か「]」がありません");
        }
        ++m_pos;
    }
}

bool CJsonReader::ReadObject(SJsonValue& value, int depth) {
    ++m_pos; // {
    std::unordered_set<std::wstring> names;
    SkipBlanks();
    if (!AtEnd() && Peek() == '}') {
        ++m_pos;
        return true;
    }
    for (;;) {
        SkipBlanks();
        if (AtEnd() || Peek() != '"') {
            return Error(L"メンバー名（文字列）がありません");
        }
        const size_t namePos = m_pos;
        std::wstring name;
        if (!ReadString(name)) {
            return false;
        }
        // One look-up per member: a file of many members is refused as fast as it is read.
        if (!names.insert(name).second) {
            m_pos = namePos;
            return Error(L"同じ名前のメンバーが 2 回あります");
        }
        SkipBlanks();
        if (AtEnd() || Peek() != ':') {
            return Error(L"「:」がありません");
        }
        ++m_pos;
        SkipBlanks();
        SJsonValue member;
        if (!ReadValue(member, depth)) {
            return false;
        }
        value.members.emplace_back(std::move(name), std::move(member));
        SkipBlanks();
        if (AtEnd()) {
            return Error(L"「}」がありません");
        }
        if (Peek() == '}') {
            ++m_pos;
            return true;
        }
        if (Peek() != ',') {
            return Error(L"「,」か「}」がありません");
        }
        ++m_pos;
    }
}

bool CJsonReader::ReadNumber(uint64_t& number) {
    if (Peek() == '0' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] >= '0' && m_text[m_pos + 1] <= '9') {
        return Error(L"数の先頭に 0 は付けられません");
    }
    uint64_t value = 0;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
        value = value * 10 + (Peek() - '0');
        if (value > m_limits.maxNumber) {
            return Error(L"数が大きすぎます");
        }
        ++m_pos;
    }
    if (!AtEnd() && (Peek() == '.' || Peek() == 'e' || Peek() == 'E')) {
        return Error(L"数は整数でなければなりません");
    }
    number = value;
    return true;
}

bool CJsonReader::ReadHex4(uint32_t& unit) {
    if (m_pos + 4 > m_text.size()) {
        return Error(L"\\u の後に 16 進数 4 桁がありません");
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexDigitValue(static_cast<char>(Peek()));
        if (digit < 0) {
            return Error(L"\\u の後に 16 進数 4 桁がありません");
        }
        unit = unit * 16 + static_cast<uint32_t>(digit);
        ++m_pos;
    }
    return true;
}

bool CJsonReader::ReadEscape(std::wstring& out) {
    ++m_pos; // backslash
    if (AtEnd()) {
        return Error(L"文字列が閉じていません");
    }
    const char c = static_cast<char>(Peek());
    ++m_pos;
    switch (c) {
        case '"':
        case '\\':
        case '/':
            out += static_cast<wchar_t>(c);
            return true;
        case 'b':
            out += L'\b';
            return true;
        case 'f':
            out += L'\f';
            return true;
        case 'n':
            out += L'\n';
            return true;
        case 'r':
            out += L'\r';
            return true;
        case 't':
            out += L'\t';
            return true;
        case 'u':
            break;
        default:
            --m_pos;
            return Error(L"使えないエスケープです");
    }
    uint32_t unit = 0;
    if (!ReadHex4(unit)) {
        return false;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        return Error(L"対になっていないサロゲートです");
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        uint32_t low = 0;
        if (m_text.compare(m_pos, 2, "\\u") != 0) {
            return Error(L"対になっていないサロゲートです");
        }
        m_pos += 2;
        if (!ReadHex4(low)) {
            return false;
        }
        if (low < 0xDC00 || low > 0xDFFF) {
            return Error(L"対になっていないサロゲートです");
        }
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendCodePoint(out, unit);
    return true;
}

// One UTF-8 sequence, checked for shortest form and range.

bool CJsonReader::ReadUtf8(std::wstring& out) {
    uint32_t codePoint = 0;
    size_t length = 0;
    if (!DecodeUtf8Char(m_text, m_pos, codePoint, length)) {
        return Error(L"UTF-8 として正しくない文字があります");
    }
    m_pos += length;
    AppendCodePoint(out, codePoint);
    return true;
}

bool CJsonReader::ReadString(std::wstring& out) {
    ++m_pos; // opening quote
    out.clear();
    for (;;) {
        if (AtEnd()) {
            return Error(L"文字列が閉じていません");
        }
        const uint8_t c = Peek();
        if (c == '"') {
            ++m_pos;
            return true;
        }
        if (c < 0x20) {
            return Error(L"文字列の中に制御文字があります");
        }
        if (c == '\\') {
            if (!ReadEscape(out)) {
                return false;
            }
        } else if (c < 0x80) {
            out += static_cast<wchar_t>(c);
            ++m_pos;
        } else if (!ReadUtf8(out)) {
            return false;
        }
    }
}

std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        const uint32_t value = static_cast<uint32_t>(c);
        if (value == '"' || value == '\\') {
            out += '\\';
            out += static_cast<char>(value);
        } else if (value >= 0x20 && value < 0x7F) {
            out += static_cast<char>(value);
        } else if (value > 0xFFFF) {
            const uint32_t rest = value - 0x10000;
            AppendEscapedUnit(out, 0xD800 + (rest >> 10));
            AppendEscapedUnit(out, 0xDC00 + (rest & 0x3FF));
        } else {
            AppendEscapedUnit(out, value);
        }
    }
    return out + "\"";
}
