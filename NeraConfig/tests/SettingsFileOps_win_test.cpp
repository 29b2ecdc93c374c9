// Settings files through the main dialog: the bytes saved, how files of any size load, the
// questions asked, and that a failed save never costs the previous file.
#include "NeraConfig/tests/dialog_harness_win.h"

#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>

#include "framework/File_win.h"
#include "NeraConfig/resource.h"

namespace {

const wchar_t kFilter[] = L"Nera5120設定ファイル (*.nera)|*.nera||";
const wchar_t kOpenFailed[] = L"ファイルが開けませんでした。";
const wchar_t kFilePasswordQuestion[] =
    L"この設定ではパスワードが有効になっています。\n「新しい設定」にパスワードを反映しますか？";
const std::string kFF4 = "FFFFFFFF";
const std::string kFF32 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";

// A static-address record with MAC 00:11:22:33:44:55 and port 4660, no password.
const std::string kStaticRecord = "0000"
                                  "001122334455"
                                  "AC100005"
                                  "AC100001"
                                  "FFFFF000"
                                  "1234" +
                                  kFF32 +
                                  "AC100035"
                                  "FFFF" +
                                  kFF32 + "0000" + kFF32 + "C400";

std::vector<uint8_t> FileOf(const std::string& recordHex, const std::string& trailerHex) {
    std::vector<uint8_t> bytes = HexBytes(recordHex);
    std::vector<uint8_t> trailer = HexBytes(trailerHex);
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    return bytes;
}

// Makes file writes fail as on a full disk while it lives: every write, or only the first one,
// after it has written the given number of bytes (later writes work).
class CWriteFault {
public:
    explicit CWriteFault(bool everyWrite = true, UINT bytesBeforeFault = 0)
        : m_everyWrite(everyWrite), m_bytesBeforeFault(bytesBeforeFault) {
        CFile::SetWriteFaultHook(&Fail, this);
    }
    ~CWriteFault() { CFile::SetWriteFaultHook(nullptr, nullptr); }
    CWriteFault(const CWriteFault&) = delete;
    CWriteFault& operator=(const CWriteFault&) = delete;

private:
    static bool Fail(const std::wstring&, UINT, UINT& written, void* context) {
        auto* self = static_cast<CWriteFault*>(context);
        if (!self->m_everyWrite && self->m_failed) {
            return false;
        }
        self->m_failed = true;
        written = self->m_bytesBeforeFault;
        return true;
    }
    bool m_everyWrite;
    UINT m_bytesBeforeFault;
    bool m_failed = false;
};

std::wstring Environment(const wchar_t* name) {
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (!value.empty()) {
        value.resize(GetEnvironmentVariableW(name, &value[0], static_cast<DWORD>(value.size())));
    }
    return value;
}

} // namespace

class CNeraConfigFileTest : public CNeraConfigDialogTest {
public:
    CNeraConfigDlg& CreateWith(int32_t macEdit) {
        auto dialog = std::make_unique<CNeraConfigDlg>();
        dialog->m_macEdit = macEdit;
        return Create(std::move(dialog));
    }
    // Opens a file through the open command and its file dialog.
    void Open(const std::wstring& path) {
        m_ui.ChooseFile(path);
        Command(IDC_OPEN_FILE);
    }
    std::vector<uint8_t> RecordAndFlagFromEditor(uint16_t flag) {
        std::vector<uint8_t> bytes(Dlg().m_newSettings.bytes, Dlg().m_newSettings.bytes + kNeraSettingsSize);
        bytes.push_back(static_cast<uint8_t>(flag & 0xFF));
        bytes.push_back(static_cast<uint8_t>(flag >> 8));
        return bytes;
    }
};

TEST_F(CNeraConfigFileTest, SavedFileHoldsTheRecordAndTheMacEditFlag) {
    struct SMode {
        int32_t macEdit;
        const char* trailer;
    };
    for (const SMode& m : {SMode{0, "0000"}, SMode{1, "0100"}}) {
        SCOPED_TRACE(m.macEdit);
        CreateWith(m.macEdit);
        SetText(IDC_NEW_PORT, L"4660");
        const std::wstring path = m_files.File(L"mode" + std::to_wstring(m.macEdit) + L".nera");
        m_ui.Clear();
        m_ui.ChooseFile(path);
        Command(IDC_SAVE_FILE); // no file yet: save as
        EXPECT_EQ(m_ui.m_fileDialogs, 1);
        EXPECT_FALSE(m_ui.m_lastFileDialogWasOpen);
        EXPECT_EQ(m_ui.m_lastFilter, kFilter);
        EXPECT_EQ(m_ui.m_lastDefaultExt, L"nera");
        EXPECT_EQ(m_ui.m_lastFileDialogFlags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));

        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        ASSERT_EQ(bytes.size(), 130u);
        EXPECT_EQ(ToHex(bytes.data(), bytes.size()), "0000"
                                                     "FFFFFFFFFFFF"
                                                     "00000000" +
                                                         kFF4 + kFF4 + "1234" + kFF32 + kFF4 + "FFFF" +
                                                         kFF32 + "0000" + kFF32 + "C400" + m.trailer);
        EXPECT_EQ(Title(), L"NeraConfig - mode" + std::to_wstring(m.macEdit) + L".nera");
        EXPECT_EQ(Dlg().m_modified, 0);
        EXPECT_EQ(Dlg().m_filePath, path);
    }
}

TEST_F(CNeraConfigFileTest, TypedPasswordIsStoredOnlyAsItsDigest) {
    Create();
    SetText(IDC_NEW_PASSWORD, L"secret");
    const std::wstring path = m_files.File(L"pw.nera");
    m_ui.ChooseFile(path);
    Command(ID_FILE_SAVE_AS);
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 130u);
    EXPECT_EQ(ToHex(bytes.data() + kPasswordDigestOffset, kPasswordDigestSize),
              "2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("secret"), std::string::npos);

    // Opening it again offers the digest, never the password.
    CreateWith(0);
    m_ui.AnswerMessageBox(IDYES);
    Open(path);
    ASSERT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_EQ(m_ui.m_boxes[0].text, kFilePasswordQuestion);
    EXPECT_EQ(m_ui.m_boxes[0].type, kQuestion);
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"2BB80D537B1DA3E38BD30361AA855686BDE0EACD7162FEF6A25FE97BF527A25B");
    EXPECT_TRUE(ReadOnly(IDC_NEW_PASSWORD));
    EXPECT_EQ(SendMessageW(Item(IDC_NEW_PASSWORD), EM_GETPASSWORDCHAR, 0, 0), L'x');
    // ...and saving it again carries the same digest on.
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(CNeraConfigFileTest, SaveWithANamedFileWritesDirectlyAndClearsTheMark) {
    Create();
    const std::wstring path = m_files.File(L"a.nera");
    m_ui.ChooseFile(path);
    Command(IDC_SAVE_FILE);
    SetText(IDC_NEW_PORT, L"80");
    EXPECT_EQ(Title(), L"NeraConfig - a.nera*");
    m_ui.Clear();
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(m_ui.m_fileDialogs, 0);
    EXPECT_TRUE(m_ui.m_boxes.empty());
    EXPECT_EQ(Title(), L"NeraConfig - a.nera");
    EXPECT_EQ(ReadFileBytes(path), RecordAndFlagFromEditor(0));
    EXPECT_EQ(Dlg().m_newSettings.Port(), 80);
    // Written even without the mark.
    DeleteFileW(path.c_str());
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(ReadFileBytes(path).size(), 130u);
}

TEST_F(CNeraConfigFileTest, CancelledSaveAsWritesNothing) {
    Create();
    SetText(IDC_NEW_PORT, L"80");
    m_ui.CancelFileDialog();
    Command(ID_FILE_SAVE_AS);
    EXPECT_TRUE(m_files.Files().empty());
    EXPECT_EQ(Title(), L"NeraConfig*");
    EXPECT_TRUE(Dlg().m_filePath.empty());
}

TEST_F(CNeraConfigFileTest, RefusedInputLeavesTheFileUntouched) {
    const std::wstring path = m_files.File(L"keep.nera");
    const std::vector<uint8_t> old = FileOf(kStaticRecord, "0000");
    ASSERT_TRUE(WriteFileBytes(path, old));
    Create();
    Open(path);
    SetText(IDC_NEW_PORT, L"0");
    m_ui.Clear();
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"1 から 65535 までの整数を入力してください。"});
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(m_files.Files(), std::vector<std::wstring>{L"keep.nera"});
    EXPECT_EQ(Title(), L"NeraConfig - keep.nera*");

    // The same for a new name: no file is even created.
    m_ui.ChooseFile(m_files.File(L"new.nera"));
    Command(ID_FILE_SAVE_AS);
    EXPECT_FALSE(FileExists(m_files.File(L"new.nera")));
    EXPECT_EQ(Dlg().m_filePath, path);
}

TEST_F(CNeraConfigFileTest, FailedWriteKeepsThePreviousFileIntact) {
    const std::wstring path = m_files.File(L"precious.nera");
    const std::vector<uint8_t> old = FileOf(kStaticRecord, "0000");
    ASSERT_TRUE(WriteFileBytes(path, old));
    Create();
    Open(path);
    SetText(IDC_NEW_PORT, L"81");
    m_ui.Clear();
    {
        CWriteFault fault;
        Command(IDC_SAVE_FILE);
    }
    ASSERT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_EQ(m_ui.m_boxes[0].text, path + L" へのアクセス中にディスクがいっぱいになりました。");
    EXPECT_EQ(m_ui.m_boxes[0].type, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(m_files.Files(), std::vector<std::wstring>{L"precious.nera"}); // no temporary file left
    EXPECT_EQ(Title(), L"NeraConfig - precious.nera*");
    EXPECT_EQ(Dlg().m_modified, 1);

    // Save as to a new name fails the same way and keeps the current file name.
    m_ui.Clear();
    m_ui.ChooseFile(m_files.File(L"other.nera"));
    {
        CWriteFault fault;
        Command(ID_FILE_SAVE_AS);
    }
    EXPECT_EQ(m_ui.m_boxes.size(), 1u);
    EXPECT_FALSE(FileExists(m_files.File(L"other.nera")));
    EXPECT_EQ(Dlg().m_filePath, path);

    // Once writing works again the file is replaced whole.
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(ReadFileBytes(path), RecordAndFlagFromEditor(0));
    EXPECT_EQ(m_files.Files(), std::vector<std::wstring>{L"precious.nera"});
}

// A save writes into the file that was opened, so the file stays what it was: the same file
// under every name that links to it, with its permissions, in a folder where nothing else
// appears; and a failed write leaves it byte for byte as before. The "unix" cases need links
// and modes made from the Linux side and an ordinary user (root may write anywhere):
// save_in_place_wine.sh makes them in the folder that NERA_SAVE_FIXTURES names, runs this test
// and checks the modes afterwards. Without that folder they are left out.
TEST_F(CNeraConfigFileTest, SaveWritesIntoTheOpenedFile) {
    const std::wstring fixtures = Environment(L"NERA_SAVE_FIXTURES");
    const std::wstring locked = fixtures.empty() ? std::wstring() : fixtures + L"\\locked";
    std::wstring deep = m_files.Path();
    while (deep.size() <= 300) {
        deep += L"\\" + std::wstring(60, L'f');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }
    struct SCase {
        const char* name;
        std::wstring folder; // empty: a unix case without its fixtures
        const wchar_t* file;
        const wchar_t* otherName; // another name of the same file, which must show the new bytes
        size_t oldSize;           // the file's first bytes before the save
        int faultAfter;           // -1: the write works; else the first write fails after so many bytes
    };
    const SCase cases[] = {
        {"write fails at once", m_files.Path(), L"fault.nera", nullptr, 130, 0},
        {"write of a 40-byte file fails after 60 bytes", m_files.Path(), L"fault.nera", nullptr, 40, 60},
        {"unix: private file (0600)", fixtures, L"private.nera", nullptr, 130, -1},
        {"unix: hard link", fixtures, L"linked.nera", L"other.nera", 130, -1},
        {"unix: symbolic link", fixtures, L"link.nera", L"target.nera", 130, -1},
        {"unix: writable file in a folder the user may not write in", locked, L"in.nera", nullptr, 130, -1},
        {"folder path over 300 characters", deep, L"deep.nera", nullptr, 130, -1},
    };
    const std::vector<uint8_t> full = FileOf(kStaticRecord, "0000");
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.folder.empty()) {
            std::printf("left out: %s\n", c.name);
            continue;
        }
        const std::wstring path = c.folder + L"\\" + c.file;
        const std::vector<uint8_t> old(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.oldSize));
        ASSERT_TRUE(WriteFileBytes(path, old));
        const std::vector<std::wstring> names = FilesIn(c.folder);
        // Only a folder that really refuses new files proves anything (root may write anywhere).
        const HANDLE probe = CreateFileW((c.folder + L"\\probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        EXPECT_EQ(probe == INVALID_HANDLE_VALUE, c.folder == locked);
        CloseHandle(probe);
        Create();
        Open(path);
        SetText(IDC_NEW_PORT, L"81");
        m_ui.Clear();
        {
            std::optional<CWriteFault> fault;
            if (c.faultAfter >= 0) {
                fault.emplace(false, static_cast<UINT>(c.faultAfter));
            }
            Command(IDC_SAVE_FILE);
        }
        if (c.faultAfter < 0) {
            EXPECT_TRUE(m_ui.m_boxes.empty());
            EXPECT_EQ(ReadFileBytes(path), RecordAndFlagFromEditor(0));
            if (c.otherName != nullptr) {
                EXPECT_EQ(ReadFileBytes(c.folder + L"\\" + c.otherName), RecordAndFlagFromEditor(0));
            }
            EXPECT_EQ(Title(), L"NeraConfig - " + std::wstring(c.file));
        } else {
            EXPECT_EQ(m_ui.Texts(),
                      std::vector<std::wstring>{path + L" へのアクセス中にディスクがいっぱいになりました。"});
            EXPECT_EQ(ReadFileBytes(path), old);
            EXPECT_EQ(Title(), L"NeraConfig - " + std::wstring(c.file) + L"*");
        }
        EXPECT_EQ(FilesIn(c.folder), names);
    }
}

// Windows does not open a read-only file for writing; Wine does for its owner and for root, so
// the save must refuse it by itself, as on Windows, and leave it as it was.
TEST_F(CNeraConfigFileTest, SaveOntoAReadOnlyFileIsRefused) {
    const std::wstring path = m_files.File(L"readonly.nera");
    const std::vector<uint8_t> old = FileOf(kStaticRecord, "0000");
    ASSERT_TRUE(WriteFileBytes(path, old));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Create();
    Open(path);
    SetText(IDC_NEW_PORT, L"81");
    m_ui.Clear();
    Command(IDC_SAVE_FILE);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{kOpenFailed});
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Title(), L"NeraConfig - readonly.nera*");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CNeraConfigFileTest, FileHeldOpenByAnotherHandleIsNeitherReadNorReplaced) {
    const std::wstring path = m_files.File(L"held.nera");
    const std::vector<uint8_t> old = FileOf(kStaticRecord, "0000");
    ASSERT_TRUE(WriteFileBytes(path, old));
    Create();
    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    Open(path);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{kOpenFailed});
    EXPECT_EQ(m_ui.m_boxes[0].type, kOkBox);
    EXPECT_EQ(Text(IDC_NEW_PORT), L"49152");
    EXPECT_EQ(Title(), L"NeraConfig");

    m_ui.Clear();
    m_ui.ChooseFile(path);
    Command(ID_FILE_SAVE_AS);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{kOpenFailed});
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(m_files.Files(), std::vector<std::wstring>{L"held.nera"});
    EXPECT_TRUE(Dlg().m_filePath.empty());
}

TEST_F(CNeraConfigFileTest, MissingFileReportsAndChangesNothing) {
    Create();
    SetText(IDC_NEW_PORT, L"99");
    m_ui.AnswerMessageBox(IDYES); // discard the edit
    Open(m_files.File(L"absent.nera"));
    EXPECT_EQ(m_ui.Texts(),
              (std::vector<std::wstring>{L"編集中のファイル内容を破棄しますか？", kOpenFailed}));
    EXPECT_EQ(Text(IDC_NEW_PORT), L"99");
    EXPECT_EQ(Title(), L"NeraConfig*");
}

TEST_F(CNeraConfigFileTest, MacEditFlagDecidesWhetherTheFilesMacShows) {
    struct SCase {
        const char* name;
        int32_t macEdit;
        std::string mac;
        const char* trailer;
        const wchar_t* shown;
    };
    const SCase cases[] = {
        {"normal file, normal mode", 0, "001122334455", "0000", L"AABBCCDDEEFF"},
        {"normal file, MAC edit mode", 1, "001122334455", "0000", L"AABBCCDDEEFF"},
        {"MAC edit file, normal mode", 0, "001122334455", "0100", L"001122334455"},
        {"MAC edit file, MAC edit mode", 1, "001122334455", "0100", L"001122334455"},
        {"MAC edit file with zero MAC", 1, "000000000000", "0100", L""},
        {"MAC edit file with all-F MAC", 0, "FFFFFFFFFFFF", "0100", L""},
        {"any nonzero flag counts", 0, "001122334455", "0001", L"001122334455"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string record = kStaticRecord;
        record.replace(2 * kMacOffset, 12, c.mac);
        const std::wstring path = m_files.File(L"mac.nera");
        ASSERT_TRUE(WriteFileBytes(path, FileOf(record, c.trailer)));
        CreateWith(c.macEdit);
        SetText(IDC_NEW_MAC, L"AABBCCDDEEFF");
        m_ui.Clear();
        Open(path);
        EXPECT_EQ(m_ui.m_lastFileDialogWasOpen, true);
        EXPECT_EQ(m_ui.m_lastFilter, kFilter);
        EXPECT_EQ(m_ui.m_lastDefaultExt, L"nera");
        EXPECT_EQ(m_ui.m_lastFileDialogFlags, static_cast<DWORD>(OFN_HIDEREADONLY));
        EXPECT_EQ(Text(IDC_NEW_MAC), c.shown);
        EXPECT_EQ(Text(IDC_NEW_PORT), L"4660");
        EXPECT_EQ(Title(), L"NeraConfig - mac.nera");
        EXPECT_TRUE(m_ui.m_boxes.empty());
    }
}

TEST_F(CNeraConfigFileTest, FilesOfAnySizeLoadAsFarAsTheirBytesGo) {
    std::vector<uint8_t> full = FileOf(kStaticRecord, "0100");
    struct SCase {
        const char* name;
        std::vector<uint8_t> bytes;
        const wchar_t* port;
        bool dhcp;
        const wchar_t* mac;
    };
    std::vector<uint8_t> erased = full;
    erased[0] = 0xFF;
    erased[1] = 0xFF;
    std::vector<uint8_t> longFile = full;
    longFile.insert(longFile.end(), 70, 0x5A);
    const SCase cases[] = {
        {"0 bytes: the editor's previous record", {}, L"49152", true, L"AABBCCDDEEFF"},
        // Format, MAC, address, gateway, mask and port only; the rest stays the default.
        {"22 bytes", std::vector<uint8_t>(full.begin(), full.begin() + 22), L"4660", false, L"AABBCCDDEEFF"},
        {"129 bytes: one flag byte is the flag", std::vector<uint8_t>(full.begin(), full.begin() + 129),
         L"4660", false, L"001122334455"},
        {"200 bytes: the rest is ignored", longFile, L"4660", false, L"001122334455"},
        {"FF FF format: default record", erased, L"49152", true, L""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = m_files.File(L"size.nera");
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        Create();
        SetText(IDC_NEW_MAC, L"AABBCCDDEEFF");
        m_ui.Clear();
        Open(path);
        EXPECT_TRUE(m_ui.m_boxes.empty());
        EXPECT_EQ(Text(IDC_NEW_PORT), c.port);
        EXPECT_EQ(Checked(IDC_NEW_DHCP), c.dhcp);
        EXPECT_EQ(Text(IDC_NEW_MAC), c.mac);
        EXPECT_EQ(Title(), L"NeraConfig - size.nera");
    }
    // A short file overwrites only its first bytes of the editor's record.
    Create();
    const std::wstring path = m_files.File(L"short.nera");
    ASSERT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(full.begin(), full.begin() + 22)));
    Open(path);
    NeraSettings expected = DefaultRecord();
    std::memcpy(expected.bytes, full.data(), 22);
    EXPECT_EQ(ToHex(Dlg().m_newSettings), ToHex(expected));
}

TEST_F(CNeraConfigFileTest, OpenedAddressesWinOverRememberedOnes) {
    const std::wstring path = m_files.File(L"static.nera");
    ASSERT_TRUE(WriteFileBytes(path, FileOf(kStaticRecord, "0000")));
    Create();
    ToggleCheck(IDC_NEW_DHCP);
    SetIp(IDC_NEW_IPADDRESS, 0x0A000001u);
    SetIp(IDC_NEW_GATEWAY, 0x0A0000FEu);
    ToggleCheck(IDC_NEW_DHCP);
    ToggleCheck(IDC_NEW_DHCP);
    m_ui.AnswerMessageBox(IDYES);
    Open(path);
    EXPECT_FALSE(Checked(IDC_NEW_DHCP));
    EXPECT_EQ(Ip(IDC_NEW_IPADDRESS), 0xAC100005u);
    EXPECT_EQ(Ip(IDC_NEW_SUBNETMASK), 0xFFFFF000u);
    EXPECT_EQ(Ip(IDC_NEW_GATEWAY), 0xAC100001u);
    EXPECT_FALSE(Checked(IDC_NEW_DNSAUTO));
    EXPECT_EQ(Ip(IDC_NEW_DNSSERVER), 0xAC100035u);
    EXPECT_TRUE(Enabled(IDC_NEW_DNSSERVER));
}

TEST_F(CNeraConfigFileTest, FilePasswordQuestion) {
    std::string withDigest = kStaticRecord;
    withDigest.replace(2 * kPasswordDigestOffset, 64, std::string(64, 'C'));
    const std::wstring path = m_files.File(L"pw.nera");
    ASSERT_TRUE(WriteFileBytes(path, FileOf(withDigest, "0000")));

    Create();
    m_ui.AnswerMessageBox(IDNO);
    Open(path);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{kFilePasswordQuestion});
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
    EXPECT_EQ(Title(), L"NeraConfig - pw.nera");

    m_ui.Clear();
    m_ui.AnswerMessageBox(IDYES);
    Open(path);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{kFilePasswordQuestion});
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), std::wstring(64, L'C'));
    EXPECT_TRUE(ReadOnly(IDC_NEW_PASSWORD));

    // A digest of all FF is no password: no question, and a carried digest is dropped.
    const std::wstring plain = m_files.File(L"plain.nera");
    ASSERT_TRUE(WriteFileBytes(plain, FileOf(kStaticRecord, "0000")));
    m_ui.Clear();
    Open(plain);
    EXPECT_TRUE(m_ui.m_boxes.empty());
    EXPECT_EQ(Text(IDC_NEW_PASSWORD), L"");
    EXPECT_FALSE(ReadOnly(IDC_NEW_PASSWORD));
}

TEST_F(CNeraConfigFileTest, DiscardQuestionGuardsEdits) {
    const std::wstring path = m_files.File(L"d.nera");
    ASSERT_TRUE(WriteFileBytes(path, FileOf(kStaticRecord, "0000")));
    Create();
    SetText(IDC_NEW_PORT, L"99");

    m_ui.AnswerMessageBox(IDNO);
    Command(IDC_OPEN_FILE);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::wstring>{L"編集中のファイル内容を破棄しますか？"});
    EXPECT_EQ(m_ui.m_boxes[0].type, kQuestionNoDefault);
    EXPECT_EQ(m_ui.m_fileDialogs, 0);
    EXPECT_EQ(Text(IDC_NEW_PORT), L"99");

    m_ui.Clear();
    m_ui.AnswerMessageBox(IDYES);
    m_ui.CancelFileDialog();
    Command(IDC_OPEN_FILE);
    EXPECT_EQ(m_ui.m_fileDialogs, 1);
    EXPECT_EQ(Text(IDC_NEW_PORT), L"99");
    EXPECT_EQ(Title(), L"NeraConfig*");
    EXPECT_EQ(Dlg().m_modified, 1);

    m_ui.Clear();
    m_ui.AnswerMessageBox(IDYES);
    Open(path);
    EXPECT_EQ(Text(IDC_NEW_PORT), L"4660");
    EXPECT_EQ(Title(), L"NeraConfig - d.nera");
    EXPECT_EQ(m_ui.m_unexpectedQuestions, 0);
}
