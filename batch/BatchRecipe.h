#pragma once
// Each row of a batch table made into what nera set would write to its module: the cells taken
// as set takes its options, applied to the template with the same rules, and the whole table
// checked before the first module is touched (a repeated static address or MAC would give two
// modules on one line the same identity on the network).

#include <cstddef>
#include <string>
#include <vector>

#include "batch/BatchTable.h"
#include "settings/SettingsChanges.h"

// What one row changes and the new column it makes.
struct SBatchRecipe {
    size_t line = 0;
    std::wstring key; // as the table reader normalised it
    SSettingsChanges changes;
    SSetPlan plan;
};

// The column of the table that sets a field of the new column ("ip"), or "" for none.
std::wstring ColumnOfField(EEditorField field);

// Converts every row; true when the table has no problem. Each problem names the row's line and
// the column (or "" for the row as a whole, or the template) and says why, as set would.
bool BuildBatchRecipes(const SSettingsSource& templateFile, const SBatchTable& table,
                       std::vector<SBatchRecipe>& recipes, CTableProblems& problems);

// The recipe of a module by its key (upper-case uuid text or 12 MAC digits), or nullptr.
const SBatchRecipe* FindRecipe(const std::vector<SBatchRecipe>& recipes, const std::wstring& key);
