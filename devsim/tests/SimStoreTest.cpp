// The module store: making modules, their order, persistence, damaged files and the
// choice of the store folder.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include "devsim/SimBytes.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"

namespace nerasim {
namespace {

std::vector<std::string> List(const CSimStore& store) {
    CStoreLock lock(store);
    std::vector<std::string> names;
    EXPECT_TRUE(store.ListModules(names));
    return names;
}

void Create(CSimStore& store, const std::string& name) {
    std::string error;
    ASSERT_TRUE(store.CreateModule(name, CModuleIdentity::Default(), error)) << error;
}

TEST(SimStore, DefaultModuleOnlyForAStoreThatDoesNotExist) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    ASSERT_TRUE(store.EnsureWithDefaultModule());
    EXPECT_EQ(List(store), std::vector<std::string>{kDefaultModuleName});

    // A store emptied on purpose stays empty, so "no module present" can be arranged.
    ASSERT_TRUE(store.RemoveModule(kDefaultModuleName));
    ASSERT_TRUE(store.EnsureWithDefaultModule());
    EXPECT_TRUE(List(store).empty());
}

// A store that does not exist yet appears whole, with its first module, wherever it is named;
// nothing of its making stays beside it, and a module that cannot be made leaves no store.
TEST(SimStore, NewStoreAppearsWithItsModuleAndNothingBeside) {
    struct SCase {
        const char* folder; // below a folder that does not exist either
        const char* parent; // the folder that holds it, "" for that one
        const char* module; // made with CreateModule; null: first use (EnsureWithDefaultModule)
        bool made;
    };
    const SCase cases[] = {
        {"store", "", nullptr, true},
        {"store/", "", nullptr, true},
        {"deeper/store", "deeper", nullptr, true},
        {"store", "", "m", true},
        {"store", "", "../m", false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(std::string(c.folder) + " " + (c.module != nullptr ? c.module : "(first use)"));
        CTempStore temp;
        const std::string folder = FsJoin(temp.Folder(), c.folder);
        CSimStore store(folder);
        std::string error;
        EXPECT_EQ(c.module == nullptr ? store.EnsureWithDefaultModule()
                                      : store.CreateModule(c.module, CModuleIdentity::Default(), error),
                  c.made)
            << error;
        EXPECT_EQ(FsIsDirectory(folder), c.made);
        if (c.made) {
            EXPECT_EQ(List(store),
                      std::vector<std::string>{c.module != nullptr ? c.module : kDefaultModuleName});
        }
        std::vector<std::string> beside;
        FsListSubfolders(*c.parent != 0 ? FsJoin(temp.Folder(), c.parent) : temp.Folder(), beside);
        EXPECT_EQ(beside, c.made ? std::vector<std::string>{"store"} : std::vector<std::string>{});
        RemoveStoreTree(folder);
    }
}

#ifdef __linux__
// What happens to one name in a folder while it is watched, in order: "made" when it is created
// there, "moved in" when something is renamed to it.
class CFolderWatch {
public:
    explicit CFolderWatch(const std::string& folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(inotify_add_watch(m_fd, folder.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    }
    ~CFolderWatch() { close(m_fd); }
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    std::vector<std::string> EventsOf(const std::string& name) const {
        std::vector<std::string> events;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got; at += static_cast<ssize_t>(sizeof(inotify_event))) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && event->name == name)
                    events.push_back((event->mask & IN_MOVED_TO) != 0 ? "moved in" : "made");
                at += event->len;
            }
        }
        return events;
    }

private:
    int m_fd;
};

// Other programs may look at the store folder at any moment, so a new store appears only by the
// rename of a folder that holds its module already; a module that cannot be made leaves no store
// behind, not even for a moment.
TEST(SimStore, NewStoreFolderAppearsOnlyWhole) {
    for (const char* module : {static_cast<const char*>(nullptr), "../m"}) { // null: first use
        SCOPED_TRACE(module != nullptr ? module : "first use");
        CTempStore temp;
        ASSERT_TRUE(FsMakeDirectories(temp.Folder()));
        const CFolderWatch watch(temp.Folder());
        CSimStore store(FsJoin(temp.Folder(), "store"));
        std::string error;
        const bool made = module == nullptr ? store.EnsureWithDefaultModule()
                                            : store.CreateModule(module, CModuleIdentity::Default(), error);
        EXPECT_EQ(made, module == nullptr);
        EXPECT_EQ(watch.EventsOf("store"),
                  made ? std::vector<std::string>{"moved in"} : std::vector<std::string>{});
        EXPECT_EQ(FsIsDirectory(store.Folder()), made);
        RemoveStoreTree(store.Folder());
    }
}
#endif

TEST(SimStore, NewModuleHoldsItsIdentity) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    CModuleIdentity identity = CModuleIdentity::Default();
    identity.m_hwCode = 0x40420007;
    identity.m_product = "Nera5120-SL";
    std::string error;
    ASSERT_TRUE(store.CreateModule("m", identity, error)) << error;

    CStoreLock lock(store);
    CModuleConfig config;
    ASSERT_TRUE(store.LoadConfig("m", config, error)) << error;
    EXPECT_EQ(config.m_hwCode, 0x40420007u);
    EXPECT_EQ(config.m_product, "Nera5120-SL");
    uint8_t area[kAreaSize];
    ASSERT_TRUE(store.ReadArea("m", kIdentityArea, area));
    EXPECT_EQ(HexFromBytes(area, 16), "6B9ED2A4170F3A4C8E5B72C6D1F09A38");
    EXPECT_EQ(HexFromBytes(area + 16, 112), std::string(224, 'F'));
    ASSERT_TRUE(store.ReadArea("m", kSettingsArea, area));
    EXPECT_EQ(SettingsMacText(area), "02:4E:45:52:41:01");
    uint8_t record[kVersionRecordSize];
    ASSERT_TRUE(store.ReadFlash("m", kVersionRecordAddress, record, sizeof record));
    EXPECT_EQ(HexFromBytes(record, 12), "000000004042000700050600");
    uint8_t edge[2];
    ASSERT_TRUE(store.ReadFlash("m", 0x7FFF, edge, 2));
    EXPECT_EQ(edge[0], FactoryCodeByte(0x7FFF));
    EXPECT_EQ(edge[1], 0x00); // first byte of the version record
}

TEST(SimStore, ErasedSettingsOption) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    CModuleIdentity identity = CModuleIdentity::Default();
    identity.m_erasedSettings = true;
    std::string error;
    ASSERT_TRUE(store.CreateModule("m", identity, error)) << error;
    uint8_t area[kAreaSize];
    CStoreLock lock(store);
    ASSERT_TRUE(store.ReadArea("m", kSettingsArea, area));
    EXPECT_EQ(HexFromBytes(area, kAreaSize), std::string(256, 'F'));
}

TEST(SimStore, CreateRefusesBadAndDuplicateNames) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    Create(store, "a");
    std::string error;
    for (const char* name : {"a", "../a", "", ".a", "a b"})
        EXPECT_FALSE(store.CreateModule(name, CModuleIdentity::Default(), error)) << name;
    EXPECT_EQ(List(store), std::vector<std::string>{"a"});
}

TEST(SimStore, OrderIsByNameWithTheChosenFirstInFront) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    for (const char* name : {"c", "a", "b"})
        Create(store, name);
    EXPECT_EQ(List(store), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_TRUE(store.SetFirstModule("c"));
    EXPECT_EQ(List(store), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_FALSE(store.SetFirstModule("missing"));
    // The first module removed: the order falls back to names.
    ASSERT_TRUE(store.RemoveModule("c"));
    EXPECT_EQ(List(store), (std::vector<std::string>{"a", "b"}));
}

TEST(SimStore, StatePersistsAcrossStoreObjects) {
    CTempStore temp;
    {
        CSimStore store(temp.Folder());
        Create(store, "m");
        CStoreLock lock(store);
        uint8_t area[kAreaSize];
        std::memset(area, 0x5A, sizeof area);
        ASSERT_TRUE(store.WriteArea("m", 3, area));
        const uint8_t data[4] = {1, 2, 3, 4};
        ASSERT_TRUE(store.WriteFlash("m", 0x7FFFC, data, 4));
        CModuleConfig config;
        std::string error;
        ASSERT_TRUE(store.LoadConfig("m", config, error));
        config.m_failEcho = 7;
        ASSERT_TRUE(store.SaveConfig("m", config));
    }
    CSimStore store(temp.Folder());
    CStoreLock lock(store);
    uint8_t area[kAreaSize];
    ASSERT_TRUE(store.ReadArea("m", 3, area));
    EXPECT_EQ(HexFromBytes(area, 4), "5A5A5A5A");
    uint8_t data[4];
    ASSERT_TRUE(store.ReadFlash("m", 0x7FFFC, data, 4));
    EXPECT_EQ(HexFromBytes(data, 4), "01020304");
    CModuleConfig config;
    std::string error;
    ASSERT_TRUE(store.LoadConfig("m", config, error));
    EXPECT_EQ(config.m_failEcho, 7u);
}

TEST(SimStore, DamagedFilesAreNotUsedOrExtended) {
    CTempStore temp;
    CSimStore store(temp.Folder());
    Create(store, "m");
    CStoreLock lock(store);
    const std::string flash = FsJoin(store.ModuleFolder("m"), "flash.bin");
    const std::string areas = FsJoin(store.ModuleFolder("m"), "areas.bin");
    ASSERT_TRUE(FsWriteAllAtomic(flash, std::string(0x100, '\xFF')));
    ASSERT_TRUE(FsWriteAllAtomic(areas, std::string(5 * kAreaSize, '\xFF')));
    uint8_t buffer[kAreaSize] = {};
    EXPECT_FALSE(store.WriteFlash("m", 0x80, buffer, 0x80)); // would stay a short image
    EXPECT_FALSE(store.ReadFlash("m", 0x100, buffer, 1));
    EXPECT_FALSE(store.WriteArea("m", 1, buffer));
    EXPECT_FALSE(store.ReadArea("m", 6, buffer));
    uint64_t size = 0;
    ASSERT_TRUE(FsFileSize(flash, size));
    EXPECT_EQ(size, 0x100u);

    ASSERT_TRUE(FsWriteAllAtomic(FsJoin(store.ModuleFolder("m"), "module.txt"), "hw_code = x\n"));
    CModuleConfig config;
    std::string error;
    EXPECT_FALSE(store.LoadConfig("m", config, error));
    EXPECT_NE(error.find("hw_code"), std::string::npos);
}

TEST(SimStore, FolderComesFromEnvironmentThenSettingsThenDefault) {
    CTempStore temp;
    CScopedEnv settings(kSettingsEnvironment, temp.File("settings.txt"));
    CScopedEnv unset(kStoreEnvironment, "");
    EStoreSource source = EStoreSource::kEnvironment;

    EXPECT_EQ(CSimSettings::ResolveStoreFolder(&source), FsDefaultStoreFolder());
    EXPECT_EQ(source, EStoreSource::kDefault);

    ASSERT_TRUE(CSimSettings::SaveStoreFolder("/kept/store"));
    EXPECT_EQ(CSimSettings::ResolveStoreFolder(&source), "/kept/store");
    EXPECT_EQ(source, EStoreSource::kSettings);
    {
        CScopedEnv store(kStoreEnvironment, "/env/store");
        EXPECT_EQ(CSimSettings::ResolveStoreFolder(&source), "/env/store");
        EXPECT_EQ(source, EStoreSource::kEnvironment);
    }
    ASSERT_TRUE(CSimSettings::SaveStoreFolder(""));
    EXPECT_EQ(CSimSettings::ResolveStoreFolder(&source), FsDefaultStoreFolder());
    EXPECT_FALSE(CSimSettings::SaveStoreFolder("two\nlines"));
    // A folder that would come back without its outer blanks is refused, the saved one kept.
    ASSERT_TRUE(CSimSettings::SaveStoreFolder("/kept/store"));
    for (const char* blank : {"/kept/store ", " /kept/store", "/kept/store\t"}) {
        EXPECT_FALSE(CSimSettings::SaveStoreFolder(blank)) << blank;
        EXPECT_EQ(CSimSettings::LoadStoreFolder(), "/kept/store") << blank;
    }
}

} // namespace
} // namespace nerasim
