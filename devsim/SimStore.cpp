#include "SimStore.h"

#include <algorithm>
#include <cstring>

namespace nerasim {

namespace {

constexpr char kConfigFile[] = "module.txt";
constexpr char kAreasFile[] = "areas.bin";
constexpr char kFlashFile[] = "flash.bin";
constexpr char kOrderFile[] = "store.txt";

// Value of "key = value" in a small settings text, "" when absent.
std::string FindSetting(const std::string& text, const std::string& key) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string name = line.substr(0, equals);
        name.erase(name.find_last_not_of(" \t") + 1);
        name.erase(0, name.find_first_not_of(" \t"));
        if (name != key)
            continue;
        std::string value = line.substr(equals + 1);
        size_t first = value.find_first_not_of(" \t");
        return first == std::string::npos ? std::string() : value.substr(first);
    }
    return std::string();
}

std::string ParentFolder(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
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
    return FindSetting(text, "store");
}

bool CSimSettings::SaveStoreFolder(const std::string& folder) {
    if (folder.find_first_of("\r\n") != std::string::npos)
        return false;
    std::string file = File();
    std::string parent = ParentFolder(file);
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

CStoreLock::CStoreLock(const CSimStore& store) {
    m_lock.Lock(store.LockFile());
}

bool CSimStore::EnsureWithDefaultModule() {
    if (FsIsDirectory(m_folder))
        return true;
    if (!FsMakeDirectories(m_folder))
        return false;
    CStoreLock lock(*this);
    if (!lock.IsLocked())
        return false;
    std::vector<std::string> names;
    if (ListModules(names) && !names.empty())
        return true; // another process made it first
    std::string error;
    return CreateModuleLocked(kDefaultModuleName, CModuleIdentity::Default(), error);
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
    std::string text;
    if (FsReadAll(FsJoin(m_folder, kOrderFile), text)) {
        std::string first = FindSetting(text, "first");
        auto it = std::find(names.begin(), names.end(), first);
        if (it != names.end())
            std::rotate(names.begin(), it, it + 1);
    }
    return true;
}

bool CSimStore::SetFirstModule(const std::string& name) {
    CStoreLock lock(*this);
    if (!lock.IsLocked() || !HasModule(name))
        return false;
    return FsWriteAllAtomic(FsJoin(m_folder, kOrderFile),
                            "# Module that open calls find first\nfirst = " + name + "\n");
}

bool CSimStore::CreateModule(const std::string& name, const CModuleIdentity& identity, std::string& error) {
    if (!FsMakeDirectories(m_folder)) {
        error = "cannot create the store folder " + m_folder;
        return false;
    }
    CStoreLock lock(*this);
    if (!lock.IsLocked()) {
        error = "cannot lock the store";
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

    // module.txt goes last: a folder without it is not listed as a module.
    bool ok = FsMakeDirectories(folder) &&
              FsWriteAllAtomic(FsJoin(folder, kAreasFile), std::string(areas.begin(), areas.end())) &&
              FsWriteAllAtomic(FsJoin(folder, kFlashFile), std::string(flash.begin(), flash.end())) &&
              FsWriteAllAtomic(FsJoin(folder, kConfigFile), config.Format());
    if (!ok)
        error = "cannot write the module files in " + folder;
    return ok;
}

bool CSimStore::RemoveModule(const std::string& name) {
    CStoreLock lock(*this);
    if (!lock.IsLocked() || !IsValidModuleName(name) || !HasModule(name))
        return false;
    return FsRemoveFolder(ModuleFolder(name));
}

bool CSimStore::HasModule(const std::string& name) const {
    uint64_t size = 0;
    return IsValidModuleName(name) && FsFileSize(FsJoin(ModuleFolder(name), kConfigFile), size);
}

bool CSimStore::LoadConfig(const std::string& name, CModuleConfig& config, std::string& error) const {
    std::string text;
    if (!IsValidModuleName(name) || !FsReadAll(FsJoin(ModuleFolder(name), kConfigFile), text)) {
        error = "no module " + name;
        return false;
    }
    return config.Parse(text, error);
}

bool CSimStore::SaveConfig(const std::string& name, const CModuleConfig& config) {
    return HasModule(name) && FsWriteAllAtomic(FsJoin(ModuleFolder(name), kConfigFile), config.Format());
}

bool CSimStore::ReadArea(const std::string& name, uint32_t area, uint8_t* buffer) const {
    if (area >= kAreaCount || !IsValidModuleName(name))
        return false;
    return FsReadAt(FsJoin(ModuleFolder(name), kAreasFile), static_cast<uint64_t>(area) * kAreaSize, buffer,
                    kAreaSize);
}

bool CSimStore::WriteArea(const std::string& name, uint32_t area, const uint8_t* data) {
    std::string file = FsJoin(ModuleFolder(name), kAreasFile);
    uint64_t size = 0;
    if (area >= kAreaCount || !IsValidModuleName(name) || !FsFileSize(file, size) ||
        size != kAreaCount * kAreaSize)
        return false;
    return FsWriteAt(file, static_cast<uint64_t>(area) * kAreaSize, data, kAreaSize);
}

bool CSimStore::ReadFlash(const std::string& name, uint32_t address, uint8_t* buffer, uint32_t length) const {
    if (!IsFlashRange(address, length) || !IsValidModuleName(name))
        return false;
    return FsReadAt(FsJoin(ModuleFolder(name), kFlashFile), address, buffer, length);
}

bool CSimStore::WriteFlash(const std::string& name, uint32_t address, const uint8_t* data, uint32_t length) {
    std::string file = FsJoin(ModuleFolder(name), kFlashFile);
    uint64_t size = 0;
    // Never grow or shorten a damaged image: only a full-size flash file is written.
    if (!IsFlashRange(address, length) || !IsValidModuleName(name) || !FsFileSize(file, size) ||
        size != kFlashSize)
        return false;
    return FsWriteAt(file, address, data, length);
}

} // namespace nerasim
