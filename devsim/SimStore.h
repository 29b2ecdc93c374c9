#pragma once
// The module store: a folder with one sub-folder per simulated module. Every module holds
// module.txt (CModuleConfig), areas.bin (8 x 128 bytes) and flash.bin (0x80000 bytes);
// store.txt names the module that open calls find first; .lock serialises all access.

#include <cstdint>
#include <string>
#include <vector>

#include "SimFs.h"
#include "SimModule.h"

namespace nerasim {

constexpr char kStoreEnvironment[] = "NERA_SIM_STORE";
constexpr char kSettingsEnvironment[] = "NERA_SIM_SETTINGS";
constexpr char kDefaultModuleName[] = "module1";

// Where the store folder came from, for the connection-settings dialog.
enum class EStoreSource { kEnvironment, kSettings, kDefault };

// The library's own settings file ("key = value" lines; only "store" is used).
class CSimSettings {
public:
    // NERA_SIM_SETTINGS, else the per-user default.
    static std::string File();
    // The store folder kept in the settings, "" when none.
    static std::string LoadStoreFolder();
    // Keeps the folder; "" removes the entry so that the default applies.
    static bool SaveStoreFolder(const std::string& folder);
    // NERA_SIM_STORE, else the settings, else the default folder.
    static std::string ResolveStoreFolder(EStoreSource* source = nullptr);
};

// One store folder. Methods marked "locked" must run while a CStoreLock on it is held;
// the others take the lock themselves.
class CSimStore {
public:
    explicit CSimStore(std::string folder) : m_folder(std::move(folder)) {}

    const std::string& Folder() const { return m_folder; }
    std::string LockFile() const { return FsJoin(m_folder, ".lock"); }
    std::string ModuleFolder(const std::string& name) const { return FsJoin(m_folder, name); }

    // First use: creates a missing store folder together with the default module.
    bool EnsureWithDefaultModule();

    // Modules in the order open calls see them: the one store.txt names first, then by name.
    bool ListModules(std::vector<std::string>& names) const; // locked
    bool SetFirstModule(const std::string& name);
    bool CreateModule(const std::string& name, const CModuleIdentity& identity, std::string& error);
    bool RemoveModule(const std::string& name);

    bool HasModule(const std::string& name) const;                                             // locked
    bool LoadConfig(const std::string& name, CModuleConfig& config, std::string& error) const; // locked
    bool SaveConfig(const std::string& name, const CModuleConfig& config);                     // locked
    bool ReadArea(const std::string& name, uint32_t area, uint8_t* buffer) const;              // locked
    bool WriteArea(const std::string& name, uint32_t area, const uint8_t* data);               // locked
    // Raw access to the flash image, without flash rules (callers apply them).
    bool ReadFlash(const std::string& name, uint32_t address, uint8_t* buffer,
                   uint32_t length) const; // locked
    bool WriteFlash(const std::string& name, uint32_t address, const uint8_t* data,
                    uint32_t length); // locked

private:
    bool CreateModuleLocked(const std::string& name, const CModuleIdentity& identity, std::string& error);

    std::string m_folder;
};

// Holds the store's lock for as long as it lives.
class CStoreLock {
public:
    explicit CStoreLock(const CSimStore& store);
    bool IsLocked() const { return m_lock.IsLocked(); }

private:
    CFsLock m_lock;
};

} // namespace nerasim
