#pragma once
// Test helpers: a private store folder that is removed afterwards, and environment
// variables that are put back when the test ends.

#include <string>
#include <vector>

namespace nerasim {

// A fresh, not yet existing folder path under the temporary folder; removed (with the
// modules in it) on destruction.
class CTempStore {
public:
    CTempStore();
    ~CTempStore();
    CTempStore(const CTempStore&) = delete;
    CTempStore& operator=(const CTempStore&) = delete;

    const std::string& Folder() const { return m_folder; }
    // A path for a file beside the store (log, settings), removed with it.
    std::string File(const std::string& name);

private:
    std::string m_folder;
    std::vector<std::string> m_files;
};

// Sets an environment variable for the lifetime of the object.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    const char* m_name;
    std::string m_old;
};

// The lines of a text file ("\n" separated, without the line feeds); empty if missing.
std::vector<std::string> ReadLines(const std::string& path);

class CSimStore;

// Changes one fault or identity setting of a module, as the nerasim tool would.
void SetModuleValue(CSimStore& store, const std::string& module, const std::string& key,
                    const std::string& value);

class CModuleIdentity;

// Replaces module name by a new one of the given identity, then applies "key=value" fault and
// identity settings to it as the nerasim tool's set command would.
void ReplaceModule(CSimStore& store, const std::string& name, const CModuleIdentity& identity,
                   const std::vector<std::string>& settings);

// Removes a store folder with its module sub-folders.
void RemoveStoreTree(const std::string& folder);

} // namespace nerasim
