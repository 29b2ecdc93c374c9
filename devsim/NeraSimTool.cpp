#include "devsim/NeraSimTool.h"

#include <cstdio>
#include <cstring>

#include "devsim/SimBytes.h"
#include "devsim/SimFlash.h"
#include "devsim/SimModule.h"
#include "devsim/SimStore.h"

namespace nerasim {

namespace {

const char kUsage[] =
    "usage: nerasim [--store DIR] COMMAND [ARGUMENTS]\n"
    "  --help                                print this text\n"
    "  where                                 print the store folder in use\n"
    "  list                                  list the modules, the one open calls find first\n"
    "  create NAME [--product TEXT] [--hw CODE] [--uuid UUID] [--mac MAC] [--fw X.Y.Z]\n"
    "              [--erased-settings]      make a module\n"
    "  remove NAME                           delete a module\n"
    "  first NAME                            make NAME the module that open calls find\n"
    "                                        (and end the simulated line)\n"
    "  attach NAME                           simulated line: NAME is the one module open calls\n"
    "                                        find; handles opened before fail as unplugged\n"
    "  detach                                simulated line: no module plugged in\n"
    "  show [NAME]                           identity, state and fault settings\n"
    "  set NAME KEY=VALUE...                 change product, hw_code, uuid, mac, fw, fail_open,\n"
    "                                        fail_echo, fail_area_write, fail_area_read,\n"
    "                                        fail_hw_version, fail_product_info (count or\n"
    "                                        always), bad_byte, fail_read_addr (address or\n"
    "                                        none), delay_ms\n"
    "  dump-area NAME AREA                   print a read/write area (0-7) as hex\n"
    "  dump-flash NAME ADDR LENGTH           print a flash range as hex\n"
    "  write-area NAME AREA HEX              store 128 bytes given as hex\n"
    "  write-area NAME AREA --file PATH      store the first 128 bytes of a file\n"
    "  compare-flash NAME ADDR FILE [--offset N] [--length N]\n"
    "                                        compare a flash range with (part of) a file\n"
    "Without --store the folder comes from NERA_SIM_STORE, the library settings or the default.\n";

// Offsets of the settings record and the version record that the identity keys change.
constexpr size_t kSettingsMacOffset = 2;
// How long a command waits for a program that holds the store's lock.
constexpr uint32_t kToolLockWaitMs = 10000;

// State of one tool run: the store, the output texts and the exit code of the first error.
class CToolRun {
public:
    CToolRun(std::string& out, std::string& err) : m_out(out), m_err(err) {}

    int Run(const std::vector<std::string>& args);

private:
    int Usage(const std::string& message);
    int Fail(const std::string& message);
    bool RequireModule(const std::string& name);
    // The error for a lock that could not be taken.
    int LockFailure(const CStoreLock& lock);

    int OnWhere();
    int OnList();
    int OnCreate(const std::vector<std::string>& args);
    int OnRemove(const std::vector<std::string>& args);
    int OnFirst(const std::vector<std::string>& args);
    int OnAttach(const std::vector<std::string>& args);
    int OnDetach(const std::vector<std::string>& args);
    int OnShow(const std::vector<std::string>& args);
    int OnSet(const std::vector<std::string>& args);
    int OnDumpArea(const std::vector<std::string>& args);
    int OnDumpFlash(const std::vector<std::string>& args);
    int OnWriteArea(const std::vector<std::string>& args);
    int OnCompareFlash(const std::vector<std::string>& args);

    // Applies one identity key (uuid, mac, fw) to the module's areas or flash; false if the
    // key is not one of them. Runs under the store lock.
    bool SetIdentityKey(const std::string& name, const std::string& key, const std::string& value,
                        const CModuleConfig& config, bool& ok);
    void AppendDump(const uint8_t* data, size_t length, uint32_t firstAddress);

    std::string& m_out;
    std::string& m_err;
    CSimStore m_store{std::string()};
};

int CToolRun::Usage(const std::string& message) {
    if (!message.empty())
        m_err += "nerasim: " + message + "\n";
    m_err += kUsage;
    return kToolUsage;
}

int CToolRun::Fail(const std::string& message) {
    m_err += "nerasim: " + message + "\n";
    return kToolError;
}

bool CToolRun::RequireModule(const std::string& name) {
    if (m_store.HasModule(name))
        return true;
    m_err += "nerasim: no module " + name + " in " + m_store.Folder() + "\n";
    return false;
}

int CToolRun::LockFailure(const CStoreLock& lock) {
    if (lock.TimedOut())
        return Fail("the store " + m_store.Folder() + " is locked by another program; gave up after " +
                    std::to_string(kToolLockWaitMs / 1000) + " s");
    return Fail("cannot lock the store " + m_store.Folder());
}

int CToolRun::Run(const std::vector<std::string>& args) {
    size_t index = 0;
    std::string folder;
    if (index < args.size() && args[index] == "--store") {
        if (index + 1 >= args.size())
            return Usage("--store needs a folder");
        folder = args[index + 1];
        index += 2;
    }
    if (folder.empty())
        folder = CSimSettings::ResolveStoreFolder();
    m_store = CSimStore(folder);
    if (index >= args.size())
        return Usage("no command");
    std::string command = args[index];
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(index) + 1, args.end());

    if ((command == "--help" || command == "-h") && rest.empty()) {
        m_out += kUsage;
        return kToolOk;
    }
    if (command == "where" && rest.empty())
        return OnWhere();
    if (command == "list" && rest.empty())
        return OnList();
    if (command == "create")
        return OnCreate(rest);
    if (command == "remove")
        return OnRemove(rest);
    if (command == "first")
        return OnFirst(rest);
    if (command == "attach")
        return OnAttach(rest);
    if (command == "detach")
        return OnDetach(rest);
    if (command == "show")
        return OnShow(rest);
    if (command == "set")
        return OnSet(rest);
    if (command == "dump-area")
        return OnDumpArea(rest);
    if (command == "dump-flash")
        return OnDumpFlash(rest);
    if (command == "write-area")
        return OnWriteArea(rest);
    if (command == "compare-flash")
        return OnCompareFlash(rest);
    return Usage("unknown command or wrong arguments: " + command);
}

int CToolRun::OnWhere() {
    m_out += m_store.Folder() + "\n";
    return kToolOk;
}

int CToolRun::OnList() {
    if (!FsIsDirectory(m_store.Folder()))
        return kToolOk; // a store that was never used holds no modules yet
    CStoreLock lock(m_store, kToolLockWaitMs);
    std::vector<std::string> names;
    if (!lock.IsLocked())
        return LockFailure(lock);
    SModuleChoice choice;
    if (!m_store.ListModules(names) || !m_store.ReadModuleChoice(choice))
        return Fail("cannot read the store " + m_store.Folder());
    bool attached = choice.m_line && !names.empty() && names.front() == choice.m_attached;
    if (choice.m_line && !attached)
        m_out += "(none attached)\n";
    for (const std::string& name : names)
        m_out += name + (attached && name == names.front() ? " (attached)\n" : "\n");
    return kToolOk;
}

int CToolRun::OnCreate(const std::vector<std::string>& args) {
    if (args.empty())
        return Usage("create needs a module name");
    CModuleIdentity identity = CModuleIdentity::Default();
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--erased-settings") {
            identity.m_erasedSettings = true;
            continue;
        }
        if (i + 1 >= args.size())
            return Usage(option + " needs a value");
        const std::string& value = args[++i];
        bool ok = true;
        if (option == "--product") {
            CModuleConfig check;
            std::string error;
            ok = check.SetValue("product", value, error);
            identity.m_product = value;
        } else if (option == "--hw") {
            ok = ParseU32(value, identity.m_hwCode);
        } else if (option == "--uuid") {
            ok = ParseUuid(value, identity.m_uuid);
        } else if (option == "--mac") {
            ok = ParseMac(value, identity.m_mac);
        } else if (option == "--fw") {
            ok = ParseFirmwareVersion(value, identity.m_firmware);
        } else {
            return Usage("unknown option " + option);
        }
        if (!ok)
            return Usage("bad value for " + option + ": " + value);
    }
    std::string error;
    if (!m_store.CreateModule(args[0], identity, error))
        return Fail(error);
    return kToolOk;
}

int CToolRun::OnRemove(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return Usage("remove needs one module name");
    if (!m_store.RemoveModule(args[0]))
        return Fail("cannot remove module " + args[0]);
    return kToolOk;
}

int CToolRun::OnFirst(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return Usage("first needs one module name");
    if (!m_store.SetFirstModule(args[0]))
        return Fail("cannot make " + args[0] + " the first module");
    return kToolOk;
}

int CToolRun::OnAttach(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return Usage("attach needs one module name");
    if (!FsIsDirectory(m_store.Folder()))
        return Fail("no store at " + m_store.Folder());
    if (!m_store.AttachModule(args[0]))
        return Fail("cannot attach " + args[0] + " (is it a module of " + m_store.Folder() + "?)");
    return kToolOk;
}

int CToolRun::OnDetach(const std::vector<std::string>& args) {
    if (!args.empty())
        return Usage("detach takes no argument");
    if (!FsIsDirectory(m_store.Folder()))
        return Fail("no store at " + m_store.Folder());
    if (!m_store.AttachModule(std::string()))
        return Fail("cannot write the store " + m_store.Folder());
    return kToolOk;
}

int CToolRun::OnShow(const std::vector<std::string>& args) {
    if (args.size() > 1)
        return Usage("show takes at most one module name");
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    SModuleChoice choice;
    if (!m_store.ReadModuleChoice(choice))
        return Fail("cannot read the store " + m_store.Folder());
    std::string found;
    bool hasFound = m_store.FindOpenModule(found);
    std::string attached = "attached = " + (choice.m_line && hasFound ? found : std::string("none")) + "\n";
    if (args.empty() && !hasFound) {
        if (!choice.m_line)
            return Fail("the store holds no module");
        m_out += attached; // a line with nothing plugged in
        return kToolOk;
    }
    std::string name = args.empty() ? found : args[0];
    if (!RequireModule(name))
        return kToolError;
    CModuleConfig config;
    std::string error;
    uint8_t settings[kAreaSize];
    uint8_t identity[kAreaSize];
    uint8_t record[kVersionRecordSize];
    std::vector<uint8_t> monitor(kMonitorEnd - kMonitorStart);
    if (!m_store.LoadConfig(name, config, error))
        return Fail(name + ": " + error);
    if (!m_store.ReadArea(name, kSettingsArea, settings) ||
        !m_store.ReadArea(name, kIdentityArea, identity) ||
        !m_store.ReadFlash(name, kVersionRecordAddress, record, kVersionRecordSize) ||
        !m_store.ReadFlash(name, kMonitorStart, monitor.data(), kMonitorEnd - kMonitorStart))
        return Fail(name + ": module files missing or damaged");

    bool intact = true;
    for (uint32_t i = 0; i < monitor.size(); ++i)
        intact = intact && monitor[i] == FactoryCodeByte(kMonitorStart + i);
    std::string mac = SettingsMacText(settings);
    std::string firmware = FormatVersionRecord(record);
    const char* password = "not-initialised";
    if (SettingsPasswordState(settings) == EPasswordState::kNone)
        password = "none";
    else if (SettingsPasswordState(settings) == EPasswordState::kSet)
        password = "set";

    m_out += "module = " + name + "\n";
    m_out += std::string("first = ") + (hasFound && found == name ? "yes" : "no") + "\n";
    if (choice.m_line)
        m_out += attached;
    m_out += "uuid = " + FormatUuid(identity) + "\n";
    m_out += "mac = " + (mac.empty() ? std::string("none") : mac) + "\n";
    m_out += "firmware = " + (firmware.empty() ? std::string("none") : firmware) + "\n";
    m_out += std::string("password = ") + password + "\n";
    m_out += std::string("monitor = ") + (intact ? "intact" : "damaged") + "\n";
    std::string text = config.Format();
    m_out += text.substr(text.find('\n') + 1); // the config lines without their comment
    return kToolOk;
}

bool CToolRun::SetIdentityKey(const std::string& name, const std::string& key, const std::string& value,
                              const CModuleConfig& config, bool& ok) {
    ok = false;
    if (key == "uuid") {
        uint8_t area[kAreaSize];
        uint8_t uuid[16];
        if (!ParseUuid(value, uuid)) {
            m_err += "nerasim: uuid: text form xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx expected\n";
            return true;
        }
        ok = m_store.ReadArea(name, kIdentityArea, area);
        std::memcpy(area, uuid, sizeof uuid);
        ok = ok && m_store.WriteArea(name, kIdentityArea, area);
        return true;
    }
    if (key == "mac") {
        uint8_t area[kAreaSize];
        uint8_t mac[6];
        if (!ParseMac(value, mac)) {
            m_err += "nerasim: mac: six hex bytes expected\n";
            return true;
        }
        ok = m_store.ReadArea(name, kSettingsArea, area);
        // An erased record gets the factory settings; a valid one keeps everything but the MAC.
        if (ok && SettingsMacText(area).empty())
            MakeFactorySettings(mac, area);
        std::memcpy(area + kSettingsMacOffset, mac, sizeof mac);
        ok = ok && m_store.WriteArea(name, kSettingsArea, area);
        return true;
    }
    if (key == "fw") {
        uint8_t version[3];
        uint8_t record[kVersionRecordSize];
        if (!ParseFirmwareVersion(value, version)) {
            m_err += "nerasim: fw: major.minor.patch expected\n";
            return true;
        }
        MakeVersionRecord(config.m_hwCode, version, record);
        ok = m_store.WriteFlash(name, kVersionRecordAddress, record, kVersionRecordSize);
        return true;
    }
    return false;
}

int CToolRun::OnSet(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return Usage("set needs a module name and KEY=VALUE");
    const std::string& name = args[0];
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    if (!RequireModule(name))
        return kToolError;
    CModuleConfig config;
    std::string error;
    if (!m_store.LoadConfig(name, config, error))
        return Fail(name + ": " + error);
    // Check every assignment before changing anything.
    for (size_t i = 1; i < args.size(); ++i) {
        size_t equals = args[i].find('=');
        if (equals == std::string::npos || equals == 0)
            return Usage("KEY=VALUE expected: " + args[i]);
        std::string key = args[i].substr(0, equals);
        std::string value = args[i].substr(equals + 1);
        uint8_t scratch[16];
        bool valid = key == "uuid"  ? ParseUuid(value, scratch)
                     : key == "mac" ? ParseMac(value, scratch)
                     : key == "fw"  ? ParseFirmwareVersion(value, scratch)
                                    : config.SetValue(key, value, error);
        if (!valid)
            return Usage(error.empty() ? "bad value for " + key + ": " + value : error);
    }
    for (size_t i = 1; i < args.size(); ++i) {
        size_t equals = args[i].find('=');
        bool ok = false;
        if (SetIdentityKey(name, args[i].substr(0, equals), args[i].substr(equals + 1), config, ok) && !ok)
            return Fail("cannot write the module files of " + name);
    }
    if (!m_store.SaveConfig(name, config))
        return Fail("cannot write the module files of " + name);
    return kToolOk;
}

void CToolRun::AppendDump(const uint8_t* data, size_t length, uint32_t firstAddress) {
    for (size_t line = 0; line < length; line += 16) {
        char address[16];
        std::snprintf(address, sizeof address, "%08X:", static_cast<unsigned>(firstAddress + line));
        m_out += address;
        for (size_t i = line; i < length && i < line + 16; ++i)
            m_out += " " + HexFromBytes(data + i, 1);
        m_out += "\n";
    }
}

int CToolRun::OnDumpArea(const std::vector<std::string>& args) {
    uint32_t area = 0;
    if (args.size() != 2 || !ParseU32(args[1], area) || area >= kAreaCount)
        return Usage("dump-area needs a module name and an area number 0-7");
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    if (!RequireModule(args[0]))
        return kToolError;
    uint8_t data[kAreaSize];
    if (!m_store.ReadArea(args[0], area, data))
        return Fail("cannot read area " + args[1] + " of " + args[0]);
    AppendDump(data, sizeof data, 0);
    return kToolOk;
}

int CToolRun::OnDumpFlash(const std::vector<std::string>& args) {
    uint32_t address = 0;
    uint32_t length = 0;
    if (args.size() != 3 || !ParseU32(args[1], address) || !ParseU32(args[2], length) ||
        !IsFlashRange(address, length))
        return Usage("dump-flash needs a module name and a range inside 0x00000-0x7FFFF");
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    if (!RequireModule(args[0]))
        return kToolError;
    std::vector<uint8_t> data(length);
    if (!m_store.ReadFlash(args[0], address, data.data(), length))
        return Fail("cannot read the flash of " + args[0]);
    AppendDump(data.data(), data.size(), address);
    return kToolOk;
}

int CToolRun::OnWriteArea(const std::vector<std::string>& args) {
    uint32_t area = 0;
    if ((args.size() != 3 && args.size() != 4) || !ParseU32(args[1], area) || area >= kAreaCount)
        return Usage("write-area needs a module name, an area number 0-7 and the data");
    std::vector<uint8_t> data;
    if (args.size() == 4) {
        std::string content;
        if (args[2] != "--file")
            return Usage("write-area: --file PATH or a hex string expected");
        if (!FsReadAll(args[3], content))
            return Fail("cannot read " + args[3]);
        if (content.size() < kAreaSize)
            return Fail(args[3] + " holds fewer than 128 bytes");
        data.assign(content.begin(), content.begin() + kAreaSize);
    } else if (!BytesFromHexText(args[2], data) || data.size() != kAreaSize) {
        return Usage("write-area: exactly 128 bytes of hex expected");
    }
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    if (!RequireModule(args[0]))
        return kToolError;
    if (!m_store.WriteArea(args[0], area, data.data()))
        return Fail("cannot write area " + args[1] + " of " + args[0]);
    return kToolOk;
}

int CToolRun::OnCompareFlash(const std::vector<std::string>& args) {
    if (args.size() < 3)
        return Usage("compare-flash needs a module name, a flash address and a file");
    uint32_t address = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
    bool hasLength = false;
    if (!ParseU32(args[1], address))
        return Usage("bad flash address: " + args[1]);
    for (size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return Usage(args[i] + " needs a value");
        bool ok = false;
        if (args[i] == "--offset") {
            ok = ParseU32(args[i + 1], offset);
        } else if (args[i] == "--length") {
            ok = ParseU32(args[i + 1], length);
            hasLength = true;
        }
        if (!ok)
            return Usage("bad option " + args[i] + " " + args[i + 1]);
    }
    std::string content;
    if (!FsReadAll(args[2], content))
        return Fail("cannot read " + args[2]);
    if (offset > content.size())
        return Fail("--offset lies beyond the end of " + args[2]);
    if (!hasLength)
        length = static_cast<uint32_t>(content.size() - offset);
    if (length > content.size() - offset)
        return Fail("--length reaches beyond the end of " + args[2]);
    if (!IsFlashRange(address, length))
        return Fail("the range leaves the flash");
    CStoreLock lock(m_store, kToolLockWaitMs);
    if (!lock.IsLocked())
        return LockFailure(lock);
    if (!RequireModule(args[0]))
        return kToolError;
    std::vector<uint8_t> flash(length);
    if (!m_store.ReadFlash(args[0], address, flash.data(), length))
        return Fail("cannot read the flash of " + args[0]);
    const uint8_t* file = reinterpret_cast<const uint8_t*>(content.data()) + offset;
    for (uint32_t i = 0; i < length; ++i) {
        if (flash[i] != file[i]) {
            char text[96];
            std::snprintf(text, sizeof text, "differs at 0x%08X: flash %02X, file %02X\n",
                          static_cast<unsigned>(address + i), flash[i], file[i]);
            m_out += text;
            return kToolDifferent;
        }
    }
    m_out += "equal\n";
    return kToolOk;
}

} // namespace

int RunNeraSimTool(const std::vector<std::string>& args, std::string& out, std::string& err) {
    CToolRun run(out, err);
    return run.Run(args);
}

} // namespace nerasim
