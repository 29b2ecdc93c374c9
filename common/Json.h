#pragma once
// A strict reader of RFC 8259 text for the project's own small JSON documents (nera's settings
// object, the batch report's lines), and the ASCII string form they are written in. Each user
// says what its format holds through the limits, so that anything else is refused while reading,
// with the line and character where it was noticed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a document may hold beyond strings, unsigned integers and objects.
struct SJsonLimits {
    int maxDepth;       // nesting of objects and arrays; the document's own object is 1
    uint64_t maxNumber; // larger integers are refused
    bool literals;      // true, false and null
    bool arrays;
};

// The parsed text.
struct SJsonValue {
    enum class EKind { kString, kNumber, kObject, kArray, kTrue, kFalse, kNull } kind = EKind::kString;
    std::wstring text;
    uint64_t number = 0;
    std::vector<std::pair<std::wstring, SJsonValue>> members; // in the order written, names unique
    std::vector<SJsonValue> items;

    // The member of an object by name, or nullptr.
    const SJsonValue* Member(const wchar_t* name) const;
};

// Reads one document. Every failure records the byte position where it was noticed.
class CJsonReader {
public:
    // The reader keeps a reference: text must outlive it (a temporary cannot be passed).
    CJsonReader(const std::string& text, const SJsonLimits& limits) : m_text(text), m_limits(limits) {}
    CJsonReader(std::string&& text, const SJsonLimits& limits) = delete;

    bool ReadDocument(SJsonValue& value);
    // "N 行 M 文字目" of the failure.
    std::wstring Where() const;
    const std::wstring& Reason() const { return m_reason; }

private:
    bool Error(const wchar_t* reason);
    bool AtEnd() const { return m_pos >= m_text.size(); }
    uint8_t Peek() const { return static_cast<uint8_t>(m_text[m_pos]); }
    void SkipBlanks();
    bool ReadValue(SJsonValue& value, int depth);
    bool ReadLiteral(SJsonValue& value);
    bool ReadObject(SJsonValue& value, int depth);
    bool ReadArray(SJsonValue& value, int depth);
    bool ReadNumber(uint64_t& number);
    bool ReadHex4(uint32_t& unit);
    bool ReadEscape(std::wstring& out);
    bool ReadUtf8(std::wstring& out);
    bool ReadString(std::wstring& out);

    const std::string& m_text;
    SJsonLimits m_limits;
    size_t m_pos = 0;
    size_t m_errorPos = 0;
    std::wstring m_reason;
};

// A JSON string of ASCII characters; everything else as \u escapes of its UTF-16 units, so the
// text reads the same in every code page.
std::string JsonString(const std::wstring& text);
