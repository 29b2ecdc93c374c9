// "nera update": the updater's package reader and write sequence, with standard output as its
// log, standard error for its error boxes and fields, and a progress bar on a console.
#include <cstring>

#include "FirmwarePackage.h"
#include "NeraCommand.h"
#include "UpdaterSequence.h"

namespace {

// The package is read whole; an updater is a few megabytes.
constexpr size_t kMaxPackageRead = 64u * 1024u * 1024u;
constexpr uint32_t kBootBlockEnd = 0x1000;
constexpr uint32_t kMainStart = 0x8000;
constexpr size_t kBarWidth = 40;

// The package bytes read into memory.
class CMemoryPackageSource : public IPackageSource {
public:
    explicit CMemoryPackageSource(const std::vector<uint8_t>& data) : m_data(data) {}
    uint64_t Length() const override { return m_data.size(); }
    bool ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
        if (offset > m_data.size() || length > m_data.size() - offset) {
            return false;
        }
        if (length > 0) {
            std::memcpy(out, m_data.data() + offset, length);
        }
        return true;
    }

private:
    const std::vector<uint8_t>& m_data;
};

// A bar on standard error that redraws its one line; drawn only on a console. Anything else
// written to the console first takes the bar away, then the bar comes back below it.
class CProgressLine {
public:
    explicit CProgressLine(INeraHost& host) : m_host(host), m_enabled(host.ErrIsConsole()) {}

    void Start(size_t total) {
        m_total = total;
        m_done = 0;
        Draw();
    }
    void Step() {
        if (m_total == 0 || m_done >= m_total) {
            return;
        }
        ++m_done;
        Draw();
    }
    void Hide() {
        if (m_shown) {
            m_host.Err(L"\r" + std::wstring(kBarWidth + 8, L' ') + L"\r");
            m_shown = false;
        }
    }
    void Show() {
        if (m_total != 0 && m_done < m_total) {
            Draw();
        }
    }
    void Finish() {
        Hide();
        m_total = 0;
    }

private:
    void Draw() {
        if (!m_enabled || m_total == 0) {
            return;
        }
        const size_t filled = m_done * kBarWidth / m_total;
        const size_t percent = m_done * 100 / m_total;
        m_host.Err(L"\r[" + std::wstring(filled, L'#') + std::wstring(kBarWidth - filled, L'-') + L"] " +
                   std::to_wstring(percent) + L"%");
        m_shown = true;
    }

    INeraHost& m_host;
    bool m_enabled;
    bool m_shown = false;
    size_t m_total = 0;
    size_t m_done = 0;
};

// The device calls of the sequence, passed on unchanged; from the erase on, every erase, write
// and read moves the bar one step.
class CProgressDevice : public IDeviceApi {
public:
    CProgressDevice(IDeviceApi& device, CProgressLine& progress, size_t steps)
        : m_device(device), m_progress(progress), m_steps(steps) {}

    uint32_t NeraFlashModeOpen(uint32_t reserved) override { return m_device.NeraFlashModeOpen(reserved); }
    int NeraFlashModeClose(uint32_t handle, uint32_t reserved) override {
        return m_device.NeraFlashModeClose(handle, reserved);
    }
    uint32_t FlashModeOpen(uint32_t family, uint32_t reserved) override {
        return m_device.FlashModeOpen(family, reserved);
    }
    int FlashModeClose(uint32_t handle, uint32_t reserved) override {
        return m_device.FlashModeClose(handle, reserved);
    }
    int ShowProductInfo(uint32_t handle) override { return m_device.ShowProductInfo(handle); }
    int OptionDlg2() override { return m_device.OptionDlg2(); }
    int ReadRWArea(uint32_t handle, uint32_t area, uint8_t* buffer) override {
        return m_device.ReadRWArea(handle, area, buffer);
    }
    int WriteRWArea(uint32_t handle, uint32_t area, const uint8_t* buffer) override {
        return m_device.WriteRWArea(handle, area, buffer);
    }
    int Close(uint32_t handle) override { return m_device.Close(handle); }
    int SetTimeouts(uint32_t handle, uint32_t readMs, uint32_t writeMs) override {
        return m_device.SetTimeouts(handle, readMs, writeMs);
    }
    int EchoTest(uint32_t handle) override { return m_device.EchoTest(handle); }
    int ReadHwVersion(uint32_t handle, uint32_t* code) override {
        return m_device.ReadHwVersion(handle, code);
    }
    int FlashRead(uint32_t handle, uint32_t address, uint8_t* buffer) override {
        const int result = m_device.FlashRead(handle, address, buffer);
        if (m_writing) {
            m_progress.Step();
        }
        return result;
    }
    uint32_t GetEraseBlk(uint32_t length) override { return m_device.GetEraseBlk(length); }
    int Erase(uint32_t handle, uint32_t blocks) override {
        m_writing = true;
        m_progress.Start(m_steps);
        const int result = m_device.Erase(handle, blocks);
        m_progress.Step();
        return result;
    }
    int FlashWrite(uint32_t handle, uint32_t address, const uint8_t* data, uint32_t length) override {
        const int result = m_device.FlashWrite(handle, address, data, length);
        if (m_writing) {
            m_progress.Step();
        }
        return result;
    }

private:
    IDeviceApi& m_device;
    CProgressLine& m_progress;
    size_t m_steps;
    bool m_writing = false;
};

// The updater window for a console: the log on standard output (line breaks as "\n"), error
// boxes and the information fields on standard error, the question through the host.
class CConsoleUpdaterView : public IUpdaterView {
public:
    CConsoleUpdaterView(INeraHost& host, CProgressLine& progress, bool yes)
        : m_host(host), m_progress(progress), m_yes(yes) {}

    void AppendLogText(const std::wstring& text) override {
        std::wstring lines;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                continue;
            }
            lines += text[i];
        }
        if (lines.empty()) {
            return;
        }
        m_progress.Hide();
        m_host.Out(lines);
        m_lineOpen = lines.back() != L'\n';
        m_progress.Show();
    }
    void ClearLog() override {}
    // The log carries the text at once; the box itself is reported when the run has ended, so
    // that it never splits a log line on a shared console.
    void ShowErrorBox(const std::wstring& title, const std::wstring& text) override {
        m_boxes.push_back(title + L": " + text);
    }
    bool AskYesNo(const std::wstring& text) override {
        if (m_yes) {
            return true;
        }
        m_progress.Hide();
        const bool yes = m_host.AskYesNo(text);
        m_declined = !yes;
        return yes;
    }
    void SetHardwareInfo(const std::wstring& text) override { Field(L"ハードウェア情報", text); }
    void SetCurrentVersion(const std::wstring& text) override { Field(L"現在のバージョン", text); }
    void SetConnectButtons(bool connected) override { m_connected = m_connected || connected; }

    // A log that stopped inside a line (a failed connect) gets its line feed at the end.
    void EndLine() {
        if (m_lineOpen) {
            m_host.Out(L"\n");
            m_lineOpen = false;
        }
    }

    bool m_declined = false;
    bool m_connected = false;
    std::vector<std::wstring> m_boxes;

private:
    void Field(const wchar_t* label, const std::wstring& text) {
        m_progress.Hide();
        m_host.Err(std::wstring(label) + L": " + text + L"\n");
        m_progress.Show();
    }

    INeraHost& m_host;
    CProgressLine& m_progress;
    bool m_yes;
    bool m_lineOpen = false;
};

// Erase, the two writes and every verified unit: the steps of the bar.
size_t WriteSteps(size_t imageSize) {
    size_t units = 0;
    for (size_t address = 0; address < imageSize;) {
        ++units;
        address += 128;
        if (address == kBootBlockEnd) {
            address = kMainStart;
        }
    }
    return 3 + units;
}

} // namespace

int RunUpdateCommand(const SNeraOptions& options, IDeviceApi& device, INeraHost& host) {
    const std::wstring path = options.package.empty() ? host.DefaultPackagePath() : options.package;
    std::vector<uint8_t> package;
    std::wstring reason;
    if (!host.ReadFile(path, kMaxPackageRead, package, reason)) {
        return ReportFileError(host, path, L"ファイルが開けませんでした。", reason);
    }
    SFirmwareImage image;
    CMemoryPackageSource source(package);
    const EPackageError error = ReadFirmwarePackage(source, image);
    if (error != EPackageError::kNone) {
        ReportError(host, path + L": " + PackageErrorText(error));
        return kExitFile;
    }
    host.Err(L"書き込まれるバージョン: " + image.m_version + L"\n");

    CProgressLine progress(host);
    CProgressDevice progressDevice(device, progress, WriteSteps(image.m_data.size()));
    CConsoleUpdaterView view(host, progress, options.yes);
    CUpdaterSession session(progressDevice, view, ParseUuidText);
    if (options.uuid) {
        session.m_strUuid = *options.uuid;
    }
    session.m_image = std::move(image.m_data);
    session.OnOK();
    progress.Finish();
    view.EndLine();
    for (const std::wstring& box : view.m_boxes) {
        ReportError(host, box);
    }

    if (view.m_declined) {
        ReportError(host, L"書込みを中止しました。");
        return kExitUsage;
    }
    // Every failure after a connection shows an error box; a failed open never connects.
    return view.m_connected && view.m_boxes.empty() ? kExitOk : kExitRefused;
}
