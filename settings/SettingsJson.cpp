#include "settings/SettingsJson.h"

#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/FieldChecks.h"
#include "common/HexText.h"
#include "common/Json.h"
#include "common/PrintableText.h"
#include "common/Utf8Text.h"

namespace {

// Nesting of the only objects the format has: the record and a host field's {"hex": ...};
// numbers beyond 32 bits are refused while reading.
constexpr SJsonLimits kSettingsJsonLimits = {2, 0xFFFFFFFFull, true, false};

std::string AddressText(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
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
const wchar_t kErasedName[] = L"erased";

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

std::string SettingsToJson(const NeraSettings& settings, const uint16_t* macEditFlag, const bool* erased) {
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
    if (erased != nullptr) {
        out += ",\n  \"" + NarrowAscii(kErasedName) + "\": " + (*erased ? "true" : "false");
    }
    return out + "\n}\n";
}

bool SettingsFromJson(const std::string& text, NeraSettings& settings, uint16_t& macEditFlag,
                      std::wstring& message, SSettingsJsonExtras* extras) {
    SJsonValue document;
    CJsonReader reader(text, kSettingsJsonLimits);
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
    SSettingsJsonExtras found;
    size_t known = 0;
    for (const SFieldEntry& entry : kFields) {
        const SJsonValue* value = document.Member(entry.name);
        if (value == nullptr) {
            return MissingField(entry.name, message);
        }
        // null keeps the module's own MAC: a template for many modules names none.
        if (entry.offset == kMacOffset && value->kind == SJsonValue::EKind::kNull) {
            std::memset(record.bytes + entry.offset, 0, entry.size);
            found.macFromModule = true;
        } else if (!ReadField(entry, *value, record, message)) {
            return false;
        }
        ++known;
    }
    if (const SJsonValue* value = document.Member(kMacEditName)) {
        if (!ReadNumber16(kMacEditName, *value, flag, message)) {
            return false;
        }
        ++known;
    }
    // What a module's area held is told, never taken back into a record.
    if (const SJsonValue* value = document.Member(kErasedName)) {
        if (value->kind != SJsonValue::EKind::kTrue && value->kind != SJsonValue::EKind::kFalse) {
            return FieldError(kErasedName, L"true か false を指定してください。", message);
        }
        found.erased = value->kind == SJsonValue::EKind::kTrue;
        ++known;
    }
    if (document.members.size() != known) {
        for (const auto& member : document.members) {
            bool isKnown = member.first == kMacEditName || member.first == kErasedName;
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
    if (extras != nullptr) {
        *extras = found;
    }
    return true;
}
