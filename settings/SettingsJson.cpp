#include "settings/SettingsJson.h"

#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/FieldChecks.h"
#include "common/HexText.h"
#include "common/PrintableText.h"
#include "common/Utf8Text.h"

namespace {

// Nesting of the only objects the format has: the record and a host field's {"hex": ...}.
constexpr int kMaxDepth = 2;
constexpr uint64_t kMaxNumber = 0xFFFFFFFFull;

std::string AddressText(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

void AppendEscapedUnit(std::string& out, uint32_t unit) {
    out += "\\u" + HexFromNumber(unit, 4);
}

// A JSON string of ASCII characters; everything else as \u escapes of its UTF-16 units.
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

// A host field as its text when the text stores back to the same 32 bytes, else as hex.
std::string HostFieldJson(const uint8_t field[kHostFieldSize]) {
    const std::wstring text = DecodeHostField(field);
    uint8_t again[kHostFieldSize];
    std::memset(again, 0xFF, sizeof again);
    if (EncodeHostField(text, again) && std::memcmp(again, field, kHostFieldSize) == 0) {
        return JsonString(text);
    }
    return "{\"hex\": \"" + HexFromBytes(field, kHostFieldSize) + "\"}";
}

// The parsed text: strings, unsigned integers and objects are all the format uses.
struct SJsonValue {
    enum class EKind { kString, kNumber, kObject } kind = EKind::kString;
    std::wstring text;
    uint64_t number = 0;
    std::vector<std::pair<std::wstring, SJsonValue>> members;
};

// A strict reader of RFC 8259 text, limited to what the format holds. Every failure records
// the byte position where it was noticed.
class CJsonReader {
public:
    explicit CJsonReader(const std::string& text) : m_text(text) {}

    bool ReadDocument(SJsonValue& value) {
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

    std::wstring Where() const {
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
    const std::wstring& Reason() const { return m_reason; }

private:
    bool Error(const wchar_t* reason) {
        m_reason = reason;
        m_errorPos = m_pos;
        return false;
    }

    bool AtEnd() const { return m_pos >= m_text.size(); }
    uint8_t Peek() const { return static_cast<uint8_t>(m_text[m_pos]); }

    void SkipBlanks() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            ++m_pos;
        }
    }

    bool ReadValue(SJsonValue& value, int depth) {
        if (AtEnd()) {
            return Error(L"値がありません");
        }
        if (Peek() == '{') {
            if (depth >= kMaxDepth) {
                return Error(L"オブジェクトの入れ子が深すぎます");
            }
            value.kind = SJsonValue::EKind::kObject;
            return ReadObject(value, depth + 1);
        }
        if (Peek() == '"') {
            value.kind = SJsonValue::EKind::kString;
            return ReadString(value.text);
        }
        if (Peek() >= '0' && Peek() <= '9') {
            value.kind = SJsonValue::EKind::kNumber;
            return ReadNumber(value.number);
        }
        return Error(L"値は文字列、0 以上の整数またはオブジェクトでなければなりません");
    }

    bool ReadObject(SJsonValue& value, int depth) {
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

    bool ReadNumber(uint64_t& number) {
        if (Peek() == '0' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] >= '0' &&
            m_text[m_pos + 1] <= '9') {
            return Error(L"数の先頭に 0 は付けられません");
        }
        uint64_t value = 0;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + (Peek() - '0');
            if (value > kMaxNumber) {
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

    bool ReadHex4(uint32_t& unit) {
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

    bool ReadEscape(std::wstring& out) {
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
    bool ReadUtf8(std::wstring& out) {
        uint32_t codePoint = 0;
        size_t length = 0;
        if (!DecodeUtf8Char(m_text, m_pos, codePoint, length)) {
            return Error(L"UTF-8 として正しくない文字があります");
        }
        m_pos += length;
        AppendCodePoint(out, codePoint);
        return true;
    }

    bool ReadString(std::wstring& out) {
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

    const std::string& m_text;
    size_t m_pos = 0;
    size_t m_errorPos = 0;
    std::wstring m_reason;
};

// The fields of the object, in record order, and how each is written.
enum class EFieldForm { kNumber16, kHexBytes, kAddress, kHost };

struct SFieldEntry {
    const wchar_t* name;
    size_t offset;
    size_t size;
    EFieldForm form;
};

const SFieldEntry kFields[] = {
    {L"format", kFormatOffset, 2, EFieldForm::kNumber16},
    {L"mac", kMacOffset, kMacSize, EFieldForm::kHexBytes},
    {L"ipAddress", kIpAddressOffset, 4, EFieldForm::kAddress},
    {L"gateway", kGatewayOffset, 4, EFieldForm::kAddress},
    {L"subnetMask", kSubnetMaskOffset, 4, EFieldForm::kAddress},
    {L"port", kPortOffset, 2, EFieldForm::kNumber16},
    {L"passwordDigest", kPasswordDigestOffset, kPasswordDigestSize, EFieldForm::kHexBytes},
    {L"dnsServer", kDnsServerOffset, 4, EFieldForm::kAddress},
    {L"reserved", kReservedOffset, kReservedSize, EFieldForm::kHexBytes},
    {L"ntpServer", kNtpServerOffset, kHostFieldSize, EFieldForm::kHost},
    {L"flags", kFlagsOffset, 2, EFieldForm::kNumber16},
    {L"server", kServerOffset, kHostFieldSize, EFieldForm::kHost},
    {L"serverPort", kServerPortOffset, 2, EFieldForm::kNumber16},
};

const wchar_t kMacEditName[] = L"macEdit";

std::string NarrowAscii(const wchar_t* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out += static_cast<char>(*text);
    }
    return out;
}

bool FieldError(const wchar_t* name, const wchar_t* reason, std::wstring& message) {
    message = std::wstring(L"JSON の ") + name + L": " + reason;
    return false;
}

bool MissingField(const wchar_t* name, std::wstring& message) {
    message = std::wstring(L"JSON に ") + name + L" がありません。";
    return false;
}

bool ReadNumber16(const wchar_t* name, const SJsonValue& value, uint16_t& number, std::wstring& message) {
    if (value.kind != SJsonValue::EKind::kNumber || value.number > 0xFFFF) {
        return FieldError(name, L"0～65535 の整数を指定してください。", message);
    }
    number = static_cast<uint16_t>(value.number);
    return true;
}

bool ReadHostField(const SFieldEntry& entry, const SJsonValue& value, uint8_t* field, std::wstring& message) {
    if (value.kind == SJsonValue::EKind::kObject) {
        if (value.members.size() != 1 || value.members[0].first != L"hex" ||
            value.members[0].second.kind != SJsonValue::EKind::kString ||
            !BytesFromHex(value.members[0].second.text, field, kHostFieldSize)) {
            return FieldError(entry.name, L"{\"hex\": 16進数 64 桁} か文字列を指定してください。", message);
        }
        return true;
    }
    if (value.kind != SJsonValue::EKind::kString) {
        return FieldError(entry.name, L"文字列か {\"hex\": 16進数 64 桁} を指定してください。", message);
    }
    std::memset(field, 0xFF, kHostFieldSize);
    if (!HostTextFitsField(value.text) || !EncodeHostField(value.text, field)) {
        return FieldError(entry.name, L"名前が長すぎます（32 バイトまで）。", message);
    }
    // A name must come back as written: no character may be lost to the code page.
    if (field[0] != 0x00 && DecodeHostField(field) != value.text) {
        return FieldError(entry.name, L"設定に保存できない文字があります。", message);
    }
    return true;
}

bool ReadField(const SFieldEntry& entry, const SJsonValue& value, NeraSettings& settings,
               std::wstring& message) {
    uint8_t* target = settings.bytes + entry.offset;
    switch (entry.form) {
        case EFieldForm::kNumber16: {
            uint16_t number = 0;
            if (!ReadNumber16(entry.name, value, number, message)) {
                return false;
            }
            StoreBE16(target, number);
            return true;
        }
        case EFieldForm::kHexBytes:
            if (value.kind != SJsonValue::EKind::kString || !BytesFromHex(value.text, target, entry.size)) {
                return FieldError(entry.name,
                                  entry.size == kMacSize ? L"16進数 12 桁を指定してください。"
                                  : entry.size == kReservedSize ? L"16進数 4 桁を指定してください。"
                                                                : L"16進数 64 桁を指定してください。",
                                  message);
            }
            return true;
        case EFieldForm::kAddress: {
            uint32_t address = 0;
            if (value.kind != SJsonValue::EKind::kString || !ParseDottedAddress(value.text, address)) {
                return FieldError(entry.name, L"A.B.C.D（0～255 の数 4 つ）の形の文字列を指定してください。",
                                  message);
            }
            StoreBE32(target, address);
            return true;
        }
        case EFieldForm::kHost:
            return ReadHostField(entry, value, target, message);
    }
    return false;
}

} // namespace

std::string SettingsToJson(const NeraSettings& settings, const uint16_t* macEditFlag) {
    std::string out = "{\n";
    bool first = true;
    for (const SFieldEntry& entry : kFields) {
        const uint8_t* field = settings.bytes + entry.offset;
        std::string value;
        switch (entry.form) {
            case EFieldForm::kNumber16:
                value = std::to_string(LoadBE16(field));
                break;
            case EFieldForm::kHexBytes:
                value = "\"" + HexFromBytes(field, entry.size) + "\"";
                break;
            case EFieldForm::kAddress:
                value = "\"" + AddressText(LoadBE32(field)) + "\"";
                break;
            case EFieldForm::kHost:
                value = HostFieldJson(field);
                break;
        }
        out += (first ? "  \"" : ",\n  \"") + NarrowAscii(entry.name) + "\": " + value;
        first = false;
    }
    if (macEditFlag != nullptr) {
        out += ",\n  \"" + NarrowAscii(kMacEditName) + "\": " + std::to_string(*macEditFlag);
    }
    return out + "\n}\n";
}

bool SettingsFromJson(const std::string& text, NeraSettings& settings, uint16_t& macEditFlag,
                      std::wstring& message) {
    SJsonValue document;
    CJsonReader reader(text);
    if (!reader.ReadDocument(document)) {
        message = L"JSON の形式が正しくありません（" + reader.Where() + L"）: " + reader.Reason() + L"。";
        return false;
    }
    if (document.kind != SJsonValue::EKind::kObject) {
        message = L"JSON が設定のオブジェクト { ... } ではありません。";
        return false;
    }
    NeraSettings record;
    std::memset(record.bytes, 0xFF, kNeraSettingsSize);
    uint16_t flag = 0;
    size_t known = 0;
    for (const SFieldEntry& entry : kFields) {
        const SJsonValue* value = nullptr;
        for (const auto& member : document.members) {
            if (member.first == entry.name) {
                value = &member.second;
            }
        }
        if (value == nullptr) {
            return MissingField(entry.name, message);
        }
        if (!ReadField(entry, *value, record, message)) {
            return false;
        }
        ++known;
    }
    for (const auto& member : document.members) {
        if (member.first == kMacEditName) {
            if (!ReadNumber16(kMacEditName, member.second, flag, message)) {
                return false;
            }
            ++known;
        }
    }
    if (document.members.size() != known) {
        for (const auto& member : document.members) {
            bool isKnown = member.first == kMacEditName;
            for (const SFieldEntry& entry : kFields) {
                isKnown = isKnown || member.first == entry.name;
            }
            if (!isKnown) {
                message = L"JSON に設定にないメンバーがあります: " + PrintableText(member.first);
                return false;
            }
        }
    }
    settings = record;
    macEditFlag = flag;
    return true;
}
