#include "devsim/SimStore.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>

#include "common/KeyValue.h"
#include "common/PathText.h"

namespace nerasim {

namespace {

constexpr char kConfigFile[] = "module.txt";
constexpr char kAreasFile[] = "areas.bin";
constexpr char kFlashFile[] = "flash.bin";
constexpr char kOrderFile[] = "store.txt";

// The change counters of the lock file, one per kind of change.
enum EStoreCounter : size_t {
    kModulesCounter, // a module made or removed
    kConfigCounter,  // a module.txt
    kAreasCounter,   // an areas.bin
    kFlashCounter,   // a flash.bin
    kLineCounter,    // a module attached or detached on the simulated line
    kCounterCount
};

// The text of store.txt for a choice.
std::string FormatModuleChoice(const SModuleChoice& choice) {
    std::string text = "# Module that open calls find first\n";
    if (!choice.m_first.empty())
        text += "first = " + choice.m_first + "\n";
    if (choice.m_line)
        text +=
            "# Simulated line: open calls find the attached module alone, or none\nline = on\nattached = " +
            choice.m_attached + "\n";
    return text;
}

} // namespace

std::string CSimSettings::File() {
    std::string file = FsGetEnv(kSettingsEnvironment);
    return file.empty() ? FsDefaultSettingsFile() : file;
}

std::string CSimSettings::LoadStoreFolder() {
    std::string text;
    if (!FsReadAll(File(), text))
        return std::string();
    return FindKeyValue(text, "store");
}

bool CSimSettings::SaveStoreFolder(const std::string& folder) {
    // A folder the settings file cannot give back as it is would silently become another one.
    if (!IsKeepableValue(folder))
        return false;
    std::string file = File();
    std::string parent = ParentOfPath(file);
    if (!parent.empty() && !FsMakeDirectories(parent))
        return false;
    std::string text = "# Settings of the simulated module libraries\n";
    if (!folder.empty())
        text += "store = " + folder + "\n";
    return FsWriteAllAtomic(file, text);
}

std::string CSimSettings::ResolveStoreFolder(EStoreSource* source) {
    EStoreSource from = EStoreSource::kEnvironment;
    std::string folder = FsGetEnv(kStoreEnvironment);
    if (folder.empty()) {
        from = EStoreSource::kSettings;
        folder = LoadStoreFolder();
    }
    if (folder.empty()) {
        from = EStoreSource::kDefault;
        folder = FsDefaultStoreFolder();
    }
    if (source != nullptr)
        *source = from;
    return folder;
}

// What a store object last read of one module file, and the file's stamp at that time.
struct CSimStore::SCachedFile {
    bool m_loaded = false;
    SFileStamp m_stamp;
    uint64_t m_checkedInHold = 0; // the lock hold in which the stamp was last compared
    uint64_t m_version = 0;       // counts the reads, so that derived data knows when to renew
    std::string m_bytes;
};

// The lock file, the in-process turn-taking and what was read of each module under the lock.
struct CSimStore::SState {
    struct SModule {
        SCachedFile m_config;
        SCachedFile m_areas;
        SCachedFile m_flash;
        uint64_t m_parsedVersion = 0; // m_config.m_version that m_parsed came from
        bool m_parsedOk = false;
        CModuleConfig m_parsed;
        std::string m_parseError;
    };

    // How the files are used right now: directly (no lock), through the cache under the lock,
    // or from the cache alone without the lock (a cached read; a miss ends it unsuccessfully).
    enum class EAccess { kDirect, kLocked, kCachedRead };

    std::timed_mutex m_mutex;
    CFsLock m_lock;
    EAccess m_access = EAccess::kDirect;
    bool m_missed = false;
    uint64_t m_hold = 0;
    bool m_countersKnown = false;
    uint64_t m_counters[kCounterCount] = {};
    bool m_counted[kCounterCount] = {};
    std::map<std::string, SModule> m_modules;

    // Drops what may be out of date after a change of this kind.
    void Forget(size_t counter) {
        if (counter == kModulesCounter) {
            m_modules.clear();
            return;
        }
        if (counter == kLineCounter) {
            return; // the modules' files are as they were; handles compare the count themselves
        }
        for (auto& entry : m_modules) {
            SModule& module = entry.second;
            SCachedFile& file = counter == kConfigCounter  ? module.m_config
                                : counter == kAreasCounter ? module.m_areas
                                                           : module.m_flash;
            file.m_loaded = false;
        }
    }
};

CSimStore::CSimStore(std::string folder) : m_folder(std::move(folder)), m_state(new SState) {}
CSimStore::~CSimStore() = default;
CSimStore::CSimStore(CSimStore&& other) noexcept = default;
CSimStore& CSimStore::operator=(CSimStore&& other) noexcept = default;

ELockResult CSimStore::Acquire(uint32_t waitMs) const {
    using Clock = std::chrono::steady_clock;
    SState& state = *m_state;
    const Clock::time_point start = Clock::now();
    std::unique_lock<std::timed_mutex> turn(state.m_mutex, std::defer_lock);
    if (waitMs == kWaitForever)
        turn.lock();
    else if (!turn.try_lock_for(std::chrono::milliseconds(waitMs)))
        return ELockResult::kTimedOut;
    uint32_t left = waitMs;
    if (waitMs != kWaitForever) {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        left = spent >= waitMs ? 0 : waitMs - static_cast<uint32_t>(spent);
    }
    ELockResult result = ELockResult::kFailed;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!state.m_lock.IsOpen() && !state.m_lock.Open(LockFile()))
            break;
        result = state.m_lock.Lock(left);
        if (result != ELockResult::kLocked || state.m_lock.IsCurrent())
            break;
        // The lock file was deleted since it was opened (the store folder removed and made
        // again): a lock on it excludes nobody, and nothing read under it can be trusted.
        state.m_lock.Close();
        state.Forget(kModulesCounter);
        result = ELockResult::kFailed;
    }
    uint64_t counters[kCounterCount];
    if (result == ELockResult::kLocked && !state.m_lock.ReadCounters(counters, kCounterCount)) {
        state.m_lock.Unlock();
        result = ELockResult::kFailed;
    }
    if (result != ELockResult::kLocked)
        return result;
    for (size_t counter = 0; counter < kCounterCount; ++counter) {
        if (!state.m_countersKnown || counters[counter] != state.m_counters[counter])
            state.Forget(counter);
        state.m_counters[counter] = counters[counter];
        state.m_counted[counter] = false;
    }
    state.m_countersKnown = true;
    ++state.m_hold;
    state.m_access = SState::EAccess::kLocked;
    turn.release(); // held until Release
    return ELockResult::kLocked;
}

void CSimStore::Release() const {
    SState& state = *m_state;
    state.m_lock.Unlock();
    state.m_access = SState::EAccess::kDirect;
    state.m_mutex.unlock();
}

bool CSimStore::BeginCachedRead() const {
    SState& state = *m_state;
    // Another thread of this process is using the object: take the ordinary way.
    if (!state.m_mutex.try_lock())
        return false;
    uint64_t counters[kCounterCount];
    bool unchanged = state.m_countersKnown && state.m_lock.IsCurrent() &&
                     state.m_lock.ReadCounters(counters, kCounterCount) &&
                     std::equal(counters, counters + kCounterCount, state.m_counters);
    if (!unchanged) {
        state.m_mutex.unlock();
        return false;
    }
    ++state.m_hold;
    state.m_access = SState::EAccess::kCachedRead;
    state.m_missed = false;
    return true;
}

bool CSimStore::EndCachedRead() const {
    SState& state = *m_state;
    bool complete = !state.m_missed;
    state.m_access = SState::EAccess::kDirect;
    state.m_mutex.unlock();
    return complete;
}

bool CSimStore::NoteChange(size_t counter) const {
    SState& state = *m_state;
    if (state.m_access != SState::EAccess::kLocked) {
        state.m_missed = true;
        return false;
    }
    if (state.m_counted[counter])
        return true;
    // Counted before the files change: a writer that dies half-way still makes others read anew.
    uint64_t next = state.m_counters[counter] + 1;
    if (!state.m_lock.WriteCounter(counter, next))
        return false;
    state.m_counters[counter] = next;
    state.m_counted[counter] = true;
    return true;
}

const std::string* CSimStore::CachedBytes(const std::string& name, const char* fileName,
                                          SCachedFile& file) const {
    SState& state = *m_state;
    if (file.m_loaded && file.m_checkedInHold == state.m_hold)
        return &file.m_bytes;
    std::string path = FsJoin(ModuleFolder(name), fileName);
    SFileStamp stamp;
    bool exists = FsFileStamp(path, stamp);
    if (exists && file.m_loaded && file.m_stamp == stamp) {
        file.m_checkedInHold = state.m_hold;
        return &file.m_bytes;
    }
    // Without the lock nothing is read from the files: a writer may be half-way.
    if (state.m_access == SState::EAccess::kCachedRead) {
        state.m_missed = true;
        return nullptr;
    }
    if (!exists) {
        file.m_loaded = false;
        return nullptr;
    }
    file.m_checkedInHold = state.m_hold;
    file.m_loaded = FsReadAll(path, file.m_bytes);
    file.m_stamp = stamp;
    ++file.m_version;
    return file.m_loaded ? &file.m_bytes : nullptr;
}

void CSimStore::Restamp(const std::string& path, SCachedFile& file) const {
    file.m_loaded = file.m_loaded && FsFileStamp(path, file.m_stamp);
    file.m_checkedInHold = m_state->m_hold;
}

CCachedStoreRead::CCachedStoreRead(const CSimStore& store)
    : m_store(store), m_active(store.BeginCachedRead()) {}

CCachedStoreRead::~CCachedStoreRead() {
    Finish();
}

bool CCachedStoreRead::Finish() {
    if (!m_active)
        return false;
    m_active = false;
    return m_store.EndCachedRead();
}

CStoreLock::CStoreLock(const CSimStore& store, uint32_t waitMs)
    : m_store(store), m_result(store.Acquire(waitMs)) {}

CStoreLock::~CStoreLock() {
    Unlock();
}

void CStoreLock::Unlock() {
    if (IsLocked())
        m_store.Release();
    m_result = ELockResult::kFailed;
}

bool CStoreLock::Relock(uint32_t waitMs) {
    if (!IsLocked())
        m_result = m_store.Acquire(waitMs);
    return IsLocked();
}

bool CSimStore::EnsureWithDefaultModule(uint32_t waitMs) {
    if (FsIsDirectory(m_folder))
        return true;
    std::string error;
    // Losing the race to another program that made the store is as good as making it.
    return CreateStoreWithModule(kDefaultModuleName, CModuleIdentity::Default(), waitMs, error) ||
           FsIsDirectory(m_folder);
}

bool CSimStore::CreateStoreWithModule(const std::string& name, const CModuleIdentity& identity,
                                      uint32_t waitMs, std::string& error) {
    std::string target = m_folder;
    while (target.size() > 1 && (target.back() == '/' || target.back() == '\\'))
        target.pop_back();
    const std::string parent = ParentOfPath(target);
    if (!parent.empty() && !FsMakeDirectories(parent)) {
        error = "cannot create the folder " + parent;
        return false;
    }
    std::string building;
    const std::string prefix = target + ".new-" + std::to_string(FsProcessId()) + "-";
    for (int attempt = 0; attempt < 100 && building.empty(); ++attempt) {
        if (FsMakeNewFolder(prefix + std::to_string(attempt)))
            building = prefix + std::to_string(attempt);
    }
    if (building.empty()) {
        error = "cannot create a folder beside " + target;
        return false;
    }
    bool made = false;
    {
        CSimStore store(building);
        CStoreLock lock(store, waitMs);
        made = lock.IsLocked() && store.CreateModuleLocked(name, identity, error);
    } // the lock file is closed here: Windows renames no folder that holds an open file
    if (made && FsRenameToNewName(building, target))
        return true;
    if (made)
        error = "cannot create the store folder " + m_folder;
    std::vector<std::string> modules;
    if (FsListSubfolders(building, modules)) {
        for (const std::string& module : modules)
            FsRemoveFolder(FsJoin(building, module));
    }
    FsRemoveFolder(building);
    return false;
}

bool CSimStore::ReadModuleChoice(SModuleChoice& choice) const {
    choice = SModuleChoice();
    std::string text;
    if (!FsReadAll(FsJoin(m_folder, kOrderFile), text))
        return FsIsDirectory(m_folder); // no choice made yet
    choice.m_first = FindKeyValue(text, "first");
    choice.m_line = FindKeyValue(text, "line") == "on";
    choice.m_attached = choice.m_line ? FindKeyValue(text, "attached") : std::string();
    return true;
}

bool CSimStore::ListModules(std::vector<std::string>& names) const {
    names.clear();
    std::vector<std::string> folders;
    if (!FsListSubfolders(m_folder, folders))
        return false;
    for (const std::string& name : folders) {
        if (HasModule(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    SModuleChoice choice;
    if (ReadModuleChoice(choice)) {
        auto it = std::find(names.begin(), names.end(), choice.m_line ? choice.m_attached : choice.m_first);
        if (it != names.end())
            std::rotate(names.begin(), it, it + 1);
    }
    return true;
}

bool CSimStore::FindOpenModule(std::string& name) const {
    SModuleChoice choice;
    if (!ReadModuleChoice(choice))
        return false;
    if (choice.m_line) {
        name = choice.m_attached;
        return HasModule(name);
    }
    std::vector<std::string> names;
    if (!ListModules(names) || names.empty())
        return false;
    name = names.front();
    return true;
}

bool CSimStore::SetFirstModule(const std::string& name) {
    CStoreLock lock(*this);
    if (!lock.IsLocked() || !HasModule(name))
        return false;
    // Only the order changes, which nobody keeps in memory: no change to count.
    SModuleChoice choice;
    choice.m_first = name;
    return FsWriteAllAtomic(FsJoin(m_folder, kOrderFile), FormatModuleChoice(choice));
}

bool CSimStore::AttachModule(const std::string& name) {
    CStoreLock lock(*this);
    SModuleChoice choice;
    if (!lock.IsLocked() || (!name.empty() && !HasModule(name)) || !ReadModuleChoice(choice))
        return false;
    choice.m_line = true;
    choice.m_attached = name;
    // Counted first, so that a handle that keeps its module in memory notices the change.
    return NoteChange(kLineCounter) &&
           FsWriteAllAtomic(FsJoin(m_folder, kOrderFile), FormatModuleChoice(choice));
}

uint64_t CSimStore::LineChanges() const {
    return m_state->m_counters[kLineCounter];
}

bool CSimStore::CreateModule(const std::string& name, const CModuleIdentity& identity, std::string& error) {
    if (!FsIsDirectory(m_folder)) {
        if (CreateStoreWithModule(name, identity, kStoreLockWaitMs, error))
            return true;
        if (!FsIsDirectory(m_folder))
            return false;
        error.clear(); // another program made the store meanwhile: the module goes into it
    }
    CStoreLock lock(*this);
    if (!lock.IsLocked()) {
        error = lock.TimedOut() ? "the store is locked by another program" : "cannot lock the store";
        return false;
    }
    return CreateModuleLocked(name, identity, error);
}

bool CSimStore::CreateModuleLocked(const std::string& name, const CModuleIdentity& identity,
                                   std::string& error) {
    if (!IsValidModuleName(name)) {
        error = "invalid module name: " + name;
        return false;
    }
    std::string folder = ModuleFolder(name);
    if (FsIsDirectory(folder)) {
        error = "module exists already: " + name;
        return false;
    }
    CModuleConfig config;
    if (!config.SetValue("product", identity.m_product, error))
        return false;
    config.m_hwCode = identity.m_hwCode;

    std::vector<uint8_t> areas(kAreaCount * kAreaSize, kErasedByte);
    if (!identity.m_erasedSettings)
        MakeFactorySettings(identity.m_mac, &areas[kSettingsArea * kAreaSize]);
    std::memcpy(&areas[kIdentityArea * kAreaSize], identity.m_uuid, 16);

    // Old firmware in the boot block and an intact monitor, then the version record.
    std::vector<uint8_t> flash(kFlashSize, kErasedByte);
    for (uint32_t address = 0; address < kMonitorEnd; ++address)
        flash[address] = FactoryCodeByte(address);
    MakeVersionRecord(identity.m_hwCode, identity.m_firmware, &flash[kVersionRecordAddress]);

    m_state->m_modules.erase(name);
    // module.txt goes last: a folder without it is not listed as a module.
    bool ok = NoteChange(kModulesCounter) && FsMakeDirectories(folder) &&
              FsWriteAllAtomic(FsJoin(folder, kAreasFile), std::string(areas.begin(), areas.end())) &&
              FsWriteAllAtomic(FsJoin(folder, kFlashFile), std::string(flash.begin(), flash.end())) &&
              FsWriteAllAtomic(FsJoin(folder, kConfigFile), config.Format());
    if (!ok)
        error = "cannot write the module files in " + folder;
    return ok;
}

bool CSimStore::RemoveModule(const std::string& name) {
    CStoreLock lock(*this);
    if (!lock.IsLocked() || !IsValidModuleName(name) || !HasModule(name) || !NoteChange(kModulesCounter))
        return false;
    m_state->m_modules.erase(name);
    if (!FsRemoveFolder(ModuleFolder(name)))
        return false;
    // A module pulled off the line leaves it empty, also for a new module of the same name.
    SModuleChoice choice;
    if (!ReadModuleChoice(choice) || !choice.m_line || choice.m_attached != name)
        return true;
    choice.m_attached.clear();
    return NoteChange(kLineCounter) &&
           FsWriteAllAtomic(FsJoin(m_folder, kOrderFile), FormatModuleChoice(choice));
}

bool CSimStore::HasModule(const std::string& name) const {
    if (!IsValidModuleName(name))
        return false;
    const SState& state = *m_state;
    if (state.m_access == SState::EAccess::kCachedRead)
        return CachedBytes(name, kConfigFile, m_state->m_modules[name].m_config) != nullptr;
    if (state.m_access == SState::EAccess::kLocked) {
        auto it = state.m_modules.find(name);
        if (it != state.m_modules.end() && it->second.m_config.m_loaded &&
            it->second.m_config.m_checkedInHold == state.m_hold)
            return true;
    }
    uint64_t size = 0;
    return FsFileSize(FsJoin(ModuleFolder(name), kConfigFile), size);
}

bool CSimStore::LoadConfig(const std::string& name, CModuleConfig& config, std::string& error) const {
    std::string text;
    if (!IsValidModuleName(name)) {
        error = "no module " + name;
        return false;
    }
    if (m_state->m_access == SState::EAccess::kDirect) {
        if (!FsReadAll(FsJoin(ModuleFolder(name), kConfigFile), text)) {
            error = "no module " + name;
            return false;
        }
        return config.Parse(text, error);
    }
    SState::SModule& module = m_state->m_modules[name];
    const std::string* cached = CachedBytes(name, kConfigFile, module.m_config);
    if (cached == nullptr) {
        error = "no module " + name;
        return false;
    }
    if (module.m_parsedVersion != module.m_config.m_version) {
        module.m_parseError.clear();
        module.m_parsedOk = module.m_parsed.Parse(*cached, module.m_parseError);
        module.m_parsedVersion = module.m_config.m_version;
    }
    if (!module.m_parsedOk) {
        error = module.m_parseError;
        return false;
    }
    config = module.m_parsed;
    return true;
}

bool CSimStore::SaveConfig(const std::string& name, const CModuleConfig& config) {
    if (!HasModule(name) || !NoteChange(kConfigCounter))
        return false;
    std::string path = FsJoin(ModuleFolder(name), kConfigFile);
    std::string text = config.Format();
    SCachedFile& cached = m_state->m_modules[name].m_config;
    cached.m_loaded = FsWriteAllAtomic(path, text);
    if (!cached.m_loaded)
        return false;
    cached.m_bytes = text;
    ++cached.m_version;
    Restamp(path, cached);
    return true;
}

bool CSimStore::ReadArea(const std::string& name, uint32_t area, uint8_t* buffer) const {
    if (area >= kAreaCount || !IsValidModuleName(name))
        return false;
    const uint64_t offset = static_cast<uint64_t>(area) * kAreaSize;
    if (m_state->m_access == SState::EAccess::kDirect)
        return FsReadAt(FsJoin(ModuleFolder(name), kAreasFile), offset, buffer, kAreaSize);
    const std::string* bytes = CachedBytes(name, kAreasFile, m_state->m_modules[name].m_areas);
    if (bytes == nullptr || bytes->size() < offset + kAreaSize)
        return false;
    std::memcpy(buffer, bytes->data() + offset, kAreaSize);
    return true;
}

bool CSimStore::WriteArea(const std::string& name, uint32_t area, const uint8_t* data) {
    std::string file = FsJoin(ModuleFolder(name), kAreasFile);
    uint64_t size = 0;
    if (area >= kAreaCount || !IsValidModuleName(name) || !FsFileSize(file, size) ||
        size != kAreaCount * kAreaSize || !NoteChange(kAreasCounter))
        return false;
    const uint64_t offset = static_cast<uint64_t>(area) * kAreaSize;
    SCachedFile& cached = m_state->m_modules[name].m_areas;
    // The copy in memory must match the file before it gets the same change.
    const std::string* bytes = cached.m_loaded ? CachedBytes(name, kAreasFile, cached) : nullptr;
    if (!FsWriteAt(file, offset, data, kAreaSize)) {
        cached.m_loaded = false;
        return false;
    }
    if (bytes != nullptr && cached.m_bytes.size() == size)
        std::memcpy(&cached.m_bytes[offset], data, kAreaSize);
    else
        cached.m_loaded = false;
    Restamp(file, cached);
    return true;
}

bool CSimStore::ReadFlash(const std::string& name, uint32_t address, uint8_t* buffer, uint32_t length) const {
    if (!IsFlashRange(address, length) || !IsValidModuleName(name))
        return false;
    if (m_state->m_access == SState::EAccess::kDirect)
        return FsReadAt(FsJoin(ModuleFolder(name), kFlashFile), address, buffer, length);
    const std::string* bytes = CachedBytes(name, kFlashFile, m_state->m_modules[name].m_flash);
    if (bytes == nullptr || bytes->size() < static_cast<uint64_t>(address) + length)
        return false;
    std::memcpy(buffer, bytes->data() + address, length);
    return true;
}

bool CSimStore::WriteFlash(const std::string& name, uint32_t address, const uint8_t* data, uint32_t length) {
    std::string file = FsJoin(ModuleFolder(name), kFlashFile);
    uint64_t size = 0;
    // Never grow or shorten a damaged image: only a full-size flash file is written.
    if (!IsFlashRange(address, length) || !IsValidModuleName(name) || !FsFileSize(file, size) ||
        size != kFlashSize || !NoteChange(kFlashCounter))
        return false;
    SCachedFile& cached = m_state->m_modules[name].m_flash;
    const std::string* bytes = cached.m_loaded ? CachedBytes(name, kFlashFile, cached) : nullptr;
    if (!FsWriteAt(file, address, data, length)) {
        cached.m_loaded = false;
        return false;
    }
    if (bytes != nullptr && cached.m_bytes.size() == size)
        std::memcpy(&cached.m_bytes[address], data, length);
    else
        cached.m_loaded = false;
    Restamp(file, cached);
    return true;
}

} // namespace nerasim
