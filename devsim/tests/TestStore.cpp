#include "devsim/tests/TestStore.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#include "devsim/SimFs.h"
#include "devsim/SimModule.h"
#include "devsim/SimStore.h"

#include <gtest/gtest.h>

namespace nerasim {

namespace {

std::string TempRoot() {
    for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
        std::string folder = FsGetEnv(name);
        if (!folder.empty())
            return folder;
    }
    return "/tmp";
}

} // namespace

CTempStore::CTempStore() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    m_folder = FsJoin(TempRoot(), "nerasim-test-" + std::to_string(random()) + "-" +
                                      std::to_string(static_cast<unsigned long long>(ticks)) + "-" +
                                      std::to_string(counter++));
}

CTempStore::~CTempStore() {
    RemoveStoreTree(m_folder);
    for (const std::string& file : m_files)
        std::remove(file.c_str());
}

std::string CTempStore::File(const std::string& name) {
    std::string path = m_folder + "-" + name;
    m_files.push_back(path);
    return path;
}

CScopedEnv::CScopedEnv(const char* name, const std::string& value) : m_name(name), m_old(FsGetEnv(name)) {
    FsSetEnv(name, value);
}

CScopedEnv::~CScopedEnv() {
    FsSetEnv(m_name, m_old);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::string text;
    std::vector<std::string> lines;
    if (!FsReadAll(path, text))
        return lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void RemoveStoreTree(const std::string& folder) {
    std::vector<std::string> names;
    if (FsListSubfolders(folder, names)) {
        for (const std::string& name : names)
            FsRemoveFolder(FsJoin(folder, name));
    }
    FsRemoveFolder(folder);
}

void SetModuleValue(CSimStore& store, const std::string& module, const std::string& key,
                    const std::string& value) {
    CStoreLock lock(store);
    CModuleConfig config;
    std::string error;
    ASSERT_TRUE(store.LoadConfig(module, config, error)) << error;
    ASSERT_TRUE(config.SetValue(key, value, error)) << error;
    ASSERT_TRUE(store.SaveConfig(module, config));
}

void ReplaceModule(CSimStore& store, const std::string& name, const CModuleIdentity& identity,
                   const std::vector<std::string>& settings) {
    store.RemoveModule(name);
    std::string error;
    ASSERT_TRUE(store.CreateModule(name, identity, error)) << error;
    for (const std::string& setting : settings) {
        const size_t equals = setting.find('=');
        ASSERT_NE(equals, std::string::npos) << setting;
        SetModuleValue(store, name, setting.substr(0, equals), setting.substr(equals + 1));
    }
}

} // namespace nerasim
