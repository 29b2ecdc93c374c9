#pragma once
// A test against one simulated module "m" in a private store with its call log, for the
// portable sequences (NeraConfig's session, nera) that run natively over CSimDeviceApi; and a
// device whose one area read answers wrongly, for the faults a module rarely shows.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/HexText.h"
#include "devsim/SimDeviceApi.h"
#include "devsim/SimEngine.h"
#include "devsim/SimLog.h"
#include "devsim/SimModule.h"
#include "devsim/SimStore.h"
#include "devsim/tests/TestStore.h"

namespace nerasim {

// The simulated device, except that the area read numbered m_faultyRead (1 = the first after
// it was set up) fails or comes back with one byte changed.
class CFaultyReadDevice : public CSimDeviceApi {
public:
    enum EFault { kNone, kFails, kFlipsAByte };
    int ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer) override {
        const int result = CSimDeviceApi::ReadRWArea(handle, area, buffer);
        if (++m_reads != m_faultyRead || m_fault == kNone) {
            return result;
        }
        if (m_fault == kFails) {
            return kSimDeviceFault;
        }
        buffer[0x15] ^= 0x01; // the low byte of the port
        return result;
    }
    EFault m_fault = kNone;
    int m_faultyRead = 0;
    int m_reads = 0;
};

class CSimModuleTest : public ::testing::Test {
protected:
    CSimModuleTest()
        : m_storeEnv(kStoreEnvironment, m_temp.Folder()), m_logEnv(kLogEnvironment, m_temp.File("calls.log")),
          m_store(m_temp.Folder()) {}

    // A new module "m" of the default identity with "key=value" settings, an empty call log
    // and a device without faults.
    void NewModule(const std::vector<std::string>& settings, bool erased = false) {
        std::remove(m_temp.File("calls.log").c_str());
        CModuleIdentity identity = CModuleIdentity::Default();
        identity.m_erasedSettings = erased;
        ReplaceModule(m_store, "m", identity, settings);
        m_device = CFaultyReadDevice();
    }
    std::string Area6() {
        CStoreLock lock(m_store);
        uint8_t area[128];
        EXPECT_TRUE(m_store.ReadArea("m", 6, area));
        return HexFromBytes(area, sizeof area);
    }
    void PutArea6(const uint8_t area[128]) {
        CStoreLock lock(m_store);
        EXPECT_TRUE(m_store.WriteArea("m", 6, area));
    }
    std::vector<uint8_t> Flash(uint32_t address, uint32_t length) {
        CStoreLock lock(m_store);
        std::vector<uint8_t> data(length);
        EXPECT_TRUE(m_store.ReadFlash("m", address, data.data(), length));
        return data;
    }
    // The names of the functions in the call log, in order.
    std::vector<std::string> Calls() {
        std::vector<std::string> names;
        for (const std::string& line : ReadLines(m_temp.File("calls.log"))) {
            names.push_back(line.substr(0, line.find(' ')));
        }
        return names;
    }
    // Calls of one function; an open only when it gave a handle.
    size_t CallsNamed(const std::string& name) {
        size_t count = 0;
        for (const std::string& line : ReadLines(m_temp.File("calls.log"))) {
            const bool failedOpen = line.find("Open") != std::string::npos && line.size() >= 5 &&
                                    line.compare(line.size() - 5, 5, " -> 0") == 0;
            count += line.rfind(name + " ", 0) == 0 && !failedOpen ? 1 : 0;
        }
        return count;
    }

    CTempStore m_temp;
    CScopedEnv m_storeEnv;
    CScopedEnv m_logEnv;
    CSimStore m_store;
    CFaultyReadDevice m_device;
};

} // namespace nerasim
