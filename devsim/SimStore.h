#pragma once
// The module store: a folder with one sub-folder per simulated module. Every module holds
// module.txt (CModuleConfig), areas.bin (8 x 128 bytes) and flash.bin (0x80000 bytes);
// store.txt names the module that open calls find first; .lock serialises all access and
// counts the changes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devsim/SimFs.h"
#include "devsim/SimModule.h"

namespace nerasim {

constexpr char kStoreEnvironment[] = "NERA_SIM_STORE";
constexpr char kSettingsEnvironment[] = "NERA_SIM_SETTINGS";
constexpr char kDefaultModuleName[] = "module1";
// How long store access waits for another program's lock unless told otherwise, in ms.
constexpr uint32_t kStoreLockWaitMs = 5000;

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

// How open calls choose their module (store.txt). Normally the module named first, else the
// first by name. On a simulated line only the attached module is found, or none: a production
// line plugs in one module after another, and a program waiting for the next one must see each.
struct SModuleChoice {
    std::string m_first;
    bool m_line = false;
    std::string m_attached; // on a line: the module plugged in, "" when none is
};

// One store folder. Methods marked "locked" must run while a CStoreLock on this object is
// held (writes fail otherwise); the others take the lock themselves.
//
// While it holds the lock, a store object keeps what it read of the module files and reads a
// file again only when another object may have changed it: every write under the lock first
// counts the change in the lock file (module set, module.txt, areas.bin, flash.bin), and each
// lock compares those counters with the ones it saw last. A module file's size, time stamp and
// identity are compared as well, so that a file changed by hand is read again. Threads that
// share one object take turns; objects, like processes, exclude each other by the lock file.
class CSimStore {
public:
    explicit CSimStore(std::string folder);
    ~CSimStore();
    CSimStore(CSimStore&& other) noexcept;
    CSimStore& operator=(CSimStore&& other) noexcept;
    CSimStore(const CSimStore&) = delete;
    CSimStore& operator=(const CSimStore&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string LockFile() const { return FsJoin(m_folder, ".lock"); }
    std::string ModuleFolder(const std::string& name) const { return FsJoin(m_folder, name); }

    // First use: creates a missing store folder together with the default module, which
    // appears with the folder.
    bool EnsureWithDefaultModule(uint32_t waitMs = kStoreLockWaitMs);

    // Modules in the order open calls see them: the one store.txt names first (on a line, the
    // attached one), then by name.
    bool ListModules(std::vector<std::string>& names) const; // locked
    bool ReadModuleChoice(SModuleChoice& choice) const;      // locked
    // The module that open calls find; false when there is none (an empty store, or a line
    // with no module attached).
    bool FindOpenModule(std::string& name) const; // locked
    // Names the module that open calls find first, and ends the simulated line.
    bool SetFirstModule(const std::string& name);
    // Puts the store on a simulated line with this module plugged in; "" leaves none plugged
    // in. Every attach and detach unplugs whatever was plugged in before: handles opened before
    // it fail as a removed module's do (see LineChanges).
    bool AttachModule(const std::string& name);
    // How many attaches and detaches the store has seen, as of this lock.
    uint64_t LineChanges() const; // locked
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
    friend class CStoreLock;
    friend class CCachedStoreRead;
    struct SState;
    struct SCachedFile;

    ELockResult Acquire(uint32_t waitMs) const;
    void Release() const;
    bool BeginCachedRead() const;
    bool EndCachedRead() const;
    // Counts a change of one kind before the files change; false if the lock is not held or
    // the count cannot be written (in a cached read: a miss).
    bool NoteChange(size_t counter) const;
    // The file's content as last read, read again when it may have changed; null if unreadable.
    // In a cached read, null (a miss) unless the copy in memory is still the file's.
    const std::string* CachedBytes(const std::string& name, const char* fileName, SCachedFile& file) const;
    // After a write of our own: the cached copy gets the file's new stamp, or is dropped.
    void Restamp(const std::string& path, SCachedFile& file) const;
    bool CreateModuleLocked(const std::string& name, const CModuleIdentity& identity, std::string& error);
    // Makes the missing store folder holding one module. Other programs may open the store at
    // the same moment, so it is built whole in a new folder beside it and then renamed into
    // place: nobody sees the store without its module. False when the folder could not be made
    // or another program made it first (the folder then exists).
    bool CreateStoreWithModule(const std::string& name, const CModuleIdentity& identity, uint32_t waitMs,
                               std::string& error);

    std::string m_folder;
    std::unique_ptr<SState> m_state;
};

// Reads without the store lock: while it is active, the store's "locked" reads are answered
// from what the object keeps in memory, and only if the lock file's change counters are still
// the ones this object saw when it last let go of the lock. A writer counts its change before
// it touches a file, so such a read sees the module as it was at the start; whatever the cache
// lacks, and any write, makes the read incomplete, and the caller takes the lock instead.
class CCachedStoreRead {
public:
    explicit CCachedStoreRead(const CSimStore& store);
    ~CCachedStoreRead();
    CCachedStoreRead(const CCachedStoreRead&) = delete;
    CCachedStoreRead& operator=(const CCachedStoreRead&) = delete;

    // False when the counters moved (or this object never held the lock): nothing to read.
    bool IsActive() const { return m_active; }
    // Ends the read; true when every read was answered and nothing tried to write.
    bool Finish();

private:
    const CSimStore& m_store;
    bool m_active;
};

// Holds the store's lock for as long as it lives, or until Unlock.
class CStoreLock {
public:
    // Waits at most waitMs (kWaitForever: without limit) for another holder to let go.
    explicit CStoreLock(const CSimStore& store, uint32_t waitMs = kStoreLockWaitMs);
    ~CStoreLock();
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

    bool IsLocked() const { return m_result == ELockResult::kLocked; }
    // The wait ended because another holder kept the lock, not because of an error.
    bool TimedOut() const { return m_result == ELockResult::kTimedOut; }
    void Unlock();
    // Takes the lock again after Unlock; true when it is held.
    bool Relock(uint32_t waitMs);

private:
    const CSimStore& m_store;
    ELockResult m_result;
};

} // namespace nerasim
