#include "batch/BatchRecipe.h"

#include <algorithm>
#include <unordered_map>

#include "common/HexText.h"
#include "settings/FieldsConfigView.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsText.h"

namespace {

// The columns of the new column's fields.
const struct {
    EEditorField field;
    const wchar_t* column;
} kFieldColumns[] = {
    {EEditorField::kMac, L"mac"},
    {EEditorField::kPort, L"port"},
    {EEditorField::kIpAddress, L"ip"},
    {EEditorField::kSubnetMask, L"mask"},
    {EEditorField::kGateway, L"gateway"},
    {EEditorField::kDnsServer, L"dns"},
    {EEditorField::kNtpServer, L"ntp"},
    {EEditorField::kPassword, L"password"},
    {EEditorField::kClientMode, L"client"},
    {EEditorField::kServer, L"server"},
    {EEditorField::kServerPort, L"server-port"},
};

// A cell as the option of its column: a switch is written "on"; "auto" in the dns column is
// --dns-auto.
bool ApplyCell(const std::wstring& column, const std::wstring& cell, SSettingsChanges& changes,
               std::wstring& message) {
    const SSettingOptionName* option = FindSettingOption(column);
    if (option == nullptr) {
        message = L"この列は設定の名前ではありません。";
        return false;
    }
    if (option->option == ESettingOption::kDns && cell == L"auto") {
        return ApplySettingValue(ESettingOption::kDnsAuto, L"", changes, message);
    }
    if (!option->takesValue) {
        if (cell != L"on") {
            message = L"on と書くか、空にしてください（空はテンプレートのまま）。";
            return false;
        }
        return ApplySettingValue(option->option, L"", changes, message);
    }
    return ApplySettingValue(option->option, cell, changes, message);
}

// Where two rows must not share a value: the first line that had it.
class CFirstLines {
public:
    // 0 when the value is new, else the first line that had it.
    size_t Add(const std::wstring& value, size_t line) {
        const auto inserted = m_lines.emplace(value, line);
        return inserted.second ? 0 : inserted.first->second;
    }

private:
    std::unordered_map<std::wstring, size_t> m_lines;
};

} // namespace

std::wstring ColumnOfField(EEditorField field) {
    for (const auto& entry : kFieldColumns) {
        if (entry.field == field) {
            return entry.column;
        }
    }
    return std::wstring();
}

bool BuildBatchRecipes(const SSettingsSource& templateFile, const SBatchTable& table,
                       std::vector<SBatchRecipe>& recipes, CTableProblems& problems) {
    const size_t before = problems.Count();
    // A MAC the template names would go to every module whose row names none: refused once, for
    // the template, before any row.
    const bool templateNamesMac = templateFile.json ? !templateFile.macFromModule
                                                    : SettingsFileCarriesMac(templateFile.macEditFlag);
    bool everyRowNamesMac = true;
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i] == L"mac") {
            for (const SBatchRow& row : table.rows) {
                everyRowNamesMac = everyRowNamesMac && i < row.cells.size() && row.cells[i].has_value();
            }
        }
    }
    if (templateNamesMac && IsValidMac(templateFile.record.Mac()) &&
        !(everyRowNamesMac && std::find(table.columns.begin(), table.columns.end(), L"mac") != table.columns.end())) {
        problems.Add(0, L"",
                     L"テンプレートが MAC アドレス " + MacColonText(templateFile.record.Mac()) +
                         L" を指定しています。モジュールごとに MAC アドレスは違うため、テンプレートの mac を null "
                         L"にするか（JSON）、通常モードで保存した設定ファイルを使うか、表の mac 列ですべての行の "
                         L"MAC アドレスを指定してください。");
        return false;
    }
    if (templateFile.record.Format() != 0) {
        problems.Add(0, L"", L"テンプレートの形式が正しくありません（先頭の 2 バイトが 0 ではありません）。");
        return false;
    }
    std::vector<SBatchRecipe> built;
    built.reserve(table.rows.size());
    CFirstLines addresses;
    CFirstLines macs;
    for (const SBatchRow& row : table.rows) {
        SBatchRecipe recipe;
        recipe.line = row.line;
        recipe.key = row.key;
        bool cellsRead = true;
        for (size_t i = 0; i < row.cells.size() && i < table.columns.size(); ++i) {
            std::wstring message;
            if (row.cells[i] && !ApplyCell(table.columns[i], *row.cells[i], recipe.changes, message)) {
                problems.Add(row.line, table.columns[i], message);
                cellsRead = false;
            }
        }
        if (!cellsRead) {
            continue;
        }
        std::wstring message;
        if (!CheckSettingsChanges(recipe.changes, L"", message)) {
            problems.Add(row.line, L"", message);
            continue;
        }
        SSetProblem problem;
        if (!PrepareSettingsWrite(templateFile, recipe.changes, L"", recipe.plan, problem)) {
            // A field the row set is named by its column; any other by the row as a whole.
            problems.Add(row.line, problem.fromChanges ? ColumnOfField(problem.field) : std::wstring(),
                         problem.message);
            continue;
        }
        if (recipe.changes.mac) {
            uint8_t mac[kMacSize];
            BytesFromHex(*recipe.changes.mac, mac, kMacSize);
            if (!IsUsableMac(mac)) {
                problems.Add(row.line, L"mac",
                             L"MAC アドレス " + MacColonText(mac) +
                                 L" は使えません（すべて FF、すべて 0、またはマルチキャスト）。");
            } else if (const size_t first = macs.Add(*recipe.changes.mac, row.line)) {
                problems.Add(row.line, L"mac",
                             L"MAC アドレス " + MacColonText(mac) + L" は " + std::to_wstring(first) +
                                 L" 行目と同じです。");
            }
        }
        const SEditorFields& fields = recipe.plan.fields;
        if (!fields.dhcp) {
            if (const size_t first = addresses.Add(AddressText(fields.ipAddress), row.line)) {
                problems.Add(row.line, recipe.changes.ipAddress ? L"ip" : L"",
                             L"IP アドレス " + AddressText(fields.ipAddress) + L" は " + std::to_wstring(first) +
                                 L" 行目と同じです" +
                                 (recipe.changes.ipAddress ? L"。" : L"（テンプレートの固定アドレス）。"));
            }
        }
        built.push_back(std::move(recipe));
    }
    if (problems.Count() != before) {
        return false;
    }
    recipes = std::move(built);
    return true;
}

const SBatchRecipe* FindRecipe(const std::vector<SBatchRecipe>& recipes, const std::wstring& key) {
    for (const SBatchRecipe& recipe : recipes) {
        if (recipe.key == key) {
            return &recipe;
        }
    }
    return nullptr;
}
