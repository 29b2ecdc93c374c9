#include "batch/BatchReport.h"

#include "common/Json.h"

namespace {

// A line is one object; "firmware" and "changed" nest one level inside it.
constexpr SJsonLimits kReportLimits = {2, 0xFFFFFFFFull, true, true};

const struct {
    EBatchResult result;
    const char* name;
} kResultNames[] = {
    {EBatchResult::kOk, "ok"},           {EBatchResult::kSkipped, "skipped"}, {EBatchResult::kUnknown, "unknown"},
    {EBatchResult::kRefused, "refused"}, {EBatchResult::kFailed, "failed"},   {EBatchResult::kPlanned, "planned"},
};

std::string TextOrNull(const std::wstring& text) {
    return text.empty() ? std::string("null") : JsonString(text);
}

// The key of a line, and its result; false for a line that is not a report line.
bool ReadLine(const std::string& text, std::wstring& uuid, std::wstring& mac, EBatchResult& result) {
    SJsonValue line;
    CJsonReader reader(text, kReportLimits);
    if (!reader.ReadDocument(line) || line.kind != SJsonValue::EKind::kObject) {
        return false;
    }
    const SJsonValue* schema = line.Member(L"schema");
    const SJsonValue* name = line.Member(L"result");
    if (schema == nullptr || schema->kind != SJsonValue::EKind::kNumber || schema->number != kReportSchema ||
        name == nullptr || name->kind != SJsonValue::EKind::kString) {
        return false;
    }
    bool known = false;
    for (const auto& entry : kResultNames) {
        if (name->text == std::wstring(entry.name, entry.name + std::char_traits<char>::length(entry.name))) {
            result = entry.result;
            known = true;
        }
    }
    auto textOrNull = [](const SJsonValue* value, std::wstring& out) {
        if (value == nullptr || value->kind == SJsonValue::EKind::kNull) {
            out.clear();
            return true;
        }
        out = value->text;
        return value->kind == SJsonValue::EKind::kString;
    };
    return known && textOrNull(line.Member(L"uuid"), uuid) && textOrNull(line.Member(L"mac"), mac);
}

} // namespace

const char* BatchResultName(EBatchResult result) {
    for (const auto& entry : kResultNames) {
        if (entry.result == result) {
            return entry.name;
        }
    }
    return "failed";
}

std::string FormatReportLine(const SReportLine& line) {
    std::string out = "{\"schema\": " + std::to_string(kReportSchema) + ", \"time\": \"" + line.time + "\"";
    out += ", \"row\": " + (line.row == 0 ? std::string("null") : std::to_string(line.row));
    out += ", \"uuid\": " + TextOrNull(line.uuid) + ", \"mac\": " + TextOrNull(line.mac);
    out += ", \"result\": \"" + std::string(BatchResultName(line.result)) + "\"";
    out += ", \"exit\": " + (line.exitStatus ? std::to_string(*line.exitStatus) : std::string("null"));
    out += ", \"changed\": [";
    for (size_t i = 0; i < line.changed.size(); ++i) {
        out += (i == 0 ? "" : ", ") + JsonString(line.changed[i]);
    }
    out += "], \"backup\": " + TextOrNull(line.backup) + ", \"firmware\": ";
    if (line.firmware) {
        out += "{\"from\": " + JsonString(line.firmware->from) + ", \"to\": " + JsonString(line.firmware->to) +
               ", \"action\": " + JsonString(line.firmware->action) + "}";
    } else {
        out += "null";
    }
    return out + ", \"message\": " + JsonString(line.message) + "}\n";
}

bool SReportMemory::Done(const std::wstring& uuid, const std::wstring& mac, bool byMacKey) const {
    const std::map<std::wstring, EBatchResult>& last = byMacKey ? byMac : byUuid;
    const auto found = last.find(byMacKey ? mac : uuid);
    return found != last.end() && (found->second == EBatchResult::kOk || found->second == EBatchResult::kSkipped);
}

bool ReadReport(const std::string& bytes, SReportMemory& memory, std::vector<std::wstring>& warnings,
                std::wstring& error) {
    SReportMemory read;
    size_t number = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        const bool torn = end == std::string::npos;
        if (torn) {
            end = bytes.size();
        }
        std::string text = bytes.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        ++number;
        start = end + 1;
        std::wstring uuid;
        std::wstring mac;
        EBatchResult result = EBatchResult::kFailed;
        if (text.empty() && !torn) {
            continue;
        }
        if (ReadLine(text, uuid, mac, result) && !torn) {
            if (!uuid.empty()) {
                read.byUuid[uuid] = result;
            }
            if (!mac.empty()) {
                read.byMac[mac] = result;
            }
            continue;
        }
        if (number == 1 && !torn) {
            error = L"レポートのファイルではありません（1 行目がレポートの行として読めません）。";
            return false;
        }
        warnings.push_back(std::to_wstring(number) + (torn ? L" 行目は途中で切れているため無視します。"
                                                           : L" 行目は読めないため無視します。"));
        read.endsTorn = torn;
    }
    memory = read;
    return true;
}
