#include "firmware/UpdaterSequence.h"

#include <cstring>

#include "common/ByteOrder.h"
#include "common/CommandLine.h"
#include "common/FlashLayout.h"
#include "common/ModuleInfo.h"

namespace {

// Flash addresses equal image offsets. The erase covers the boot block and the 64 KiB blocks,
// never the monitor.
constexpr uint32_t kEraseMask = 0xFF01u;

const wchar_t kLogConnecting[] = L"デバイスと接続中...";
const wchar_t kTextCannotConnect[] = L"デバイスとの接続ができません。";
const wchar_t kLogStopped[] = L"\r\n### 実行を停止しました。";
const wchar_t kLogStillConnecting[] = L"\r\n接続処理継続中...";
const wchar_t kLogConnected[] = L"完了\r\n";
const wchar_t kLogDisconnected[] = L"切断しました。\r\n";
const wchar_t kLogHeader[] = L"---------- Q5120 Firmware Updater ----------\r\n\r\n";
const wchar_t kLogErased[] = L"...フラッシュメモリを消去しました。\r\n";
const wchar_t kLogWritten[] = L"...フラッシュメモリにバイナリデータを書き込みました。\r\n";
const wchar_t kLogVerified[] = L"...フラッシュメモリのベリファイが完了しました。\r\n";
const wchar_t kLogFinished[] = L"\r\n...正常に終了しました。\r\n";

const wchar_t kQuestionFirstDevice[] = L"最初に見つかったデバイスに対して書込みを行います。続けますか？";

const wchar_t kTitleConnect[] = L"接続エラー";
const wchar_t kTextProductMismatch[] =
    L"製品情報が一致しませんでした。番号を書き換えるデバイス以外は取り外してください。";
const wchar_t kTitleCommunication[] = L"通信エラー";
const wchar_t kTextNoCommunication[] = L"デバイスとの通信ができません。";
const wchar_t kTitleVerify[] = L"ベリファイエラー";
const wchar_t kTextVerifyFailed[] = L"フラッシュに正しく書き込みができませんでした。";

// Bytes of the image at offset that a 128-byte unit there covers: a whole unit for every
// image the package loader makes, fewer only at the end of an image that is not.
uint32_t UnitLength(size_t imageSize, uint32_t offset) {
    if (offset >= imageSize)
        return 0;
    size_t rest = imageSize - offset;
    return rest < kFlashUnit ? static_cast<uint32_t>(rest) : kFlashUnit;
}

SUpdateOutcome Outcome(EUpdateResult result, const std::wstring& reason = std::wstring()) {
    SUpdateOutcome outcome;
    outcome.result = result;
    outcome.reason = reason;
    return outcome;
}

} // namespace

void ShowError(IUpdaterView& view, const std::wstring& title, const std::wstring& text) {
    if (title.empty() || text.empty())
        return;
    view.ShowErrorBox(title, text);
    view.AppendLogText(L"\r\n### " + text);
}

CUpdaterSession::CUpdaterSession(IDeviceApi& device, IUpdaterView& view, UuidParser parseUuid)
    : m_device(device), m_view(view), m_parseUuid(parseUuid) {}

SUpdateOutcome CUpdaterSession::OnConnect() {
    if (m_hDevice != 0)
        return Outcome(EUpdateResult::kConnected);
    m_view.AppendLogText(kLogConnecting);
    m_hDevice = m_device.FlashModeOpen(m_dwProductFamily, 0);
    if (m_hDevice == 0) {
        m_view.AppendLogText(std::wstring(L"\r\n### ") + kTextCannotConnect);
        m_view.AppendLogText(kLogStopped);
        return Outcome(EUpdateResult::kFailed, kTextCannotConnect);
    }
    if (!CheckProductId()) {
        ShowError(m_view, kTitleConnect, kTextProductMismatch);
        m_view.AppendLogText(kLogStopped);
        m_device.Close(m_hDevice);
        m_hDevice = 0;
        return Outcome(EUpdateResult::kRefused, kTextProductMismatch);
    }
    m_device.SetTimeouts(m_hDevice, 1000, 1000);
    if (m_device.EchoTest(m_hDevice) != 0) {
        m_view.AppendLogText(kLogStillConnecting);
        if (m_device.EchoTest(m_hDevice) != 0) {
            m_device.Close(m_hDevice);
            m_hDevice = 0;
            ShowError(m_view, kTitleCommunication, kTextNoCommunication);
            m_view.AppendLogText(kLogStopped);
            return Outcome(EUpdateResult::kFailed, kTextNoCommunication);
        }
    }
    m_device.SetTimeouts(m_hDevice, 5000, 5000);
    m_view.AppendLogText(kLogConnected);

    // The field names whatever code the call left; only a reported code is kept for the stamp.
    uint32_t code = kNoHwCode;
    int result = m_device.ReadHwVersion(m_hDevice, &code);
    m_view.SetHardwareInfo(ProductNameFromCode(code));
    m_dwHwCode = result == 0 ? code : kNoHwCode;
    m_view.SetCurrentVersion(ReadDeviceVersion(m_device, m_hDevice));
    m_view.SetConnectButtons(true);
    return Outcome(EUpdateResult::kConnected);
}

void CUpdaterSession::OnDisconnect() {
    m_view.SetConnectButtons(false);
    if (m_hDevice != 0) {
        m_device.FlashModeClose(m_hDevice, 0);
        m_hDevice = 0;
        m_view.AppendLogText(kLogDisconnected);
    }
}

// A module may be written only when no identifier was asked for, or when area 7 could be read
// and holds the identifier that the text names; nothing unread is ever compared.
bool CUpdaterSession::CheckProductId() {
    if (m_hDevice == 0)
        return false;
    if (m_strUuid.empty())
        return true;
    uint8_t area[16] = {};
    if (!ReadModuleIdentity(m_device, m_hDevice, area))
        return false;
    uint8_t expected[16] = {};
    if (m_parseUuid == nullptr || !m_parseUuid(m_strUuid, expected))
        return false;
    return std::memcmp(expected, area, sizeof expected) == 0;
}

SUpdateOutcome CUpdaterSession::OnOK() {
    StartLog();
    if (m_hDevice == 0) {
        if (!m_view.AskYesNo(kQuestionFirstDevice))
            return Outcome(EUpdateResult::kDeclined);
        const SUpdateOutcome connected = OnConnect();
        if (m_hDevice == 0)
            return connected;
    }
    return WriteImage();
}

bool CUpdaterSession::ReadIdentity(uint8_t identity[16]) {
    return m_hDevice != 0 && ReadModuleIdentity(m_device, m_hDevice, identity);
}

void CUpdaterSession::StartLog() {
    m_view.ClearLog();
    m_view.AppendLogText(kLogHeader);
}

SUpdateOutcome CUpdaterSession::Stopped(EUpdateStep step) {
    OnDisconnect();
    m_view.AppendLogText(kLogStopped);
    SUpdateOutcome outcome = Outcome(EUpdateResult::kStopped);
    outcome.stoppedAfter = step;
    return outcome;
}

SUpdateOutcome CUpdaterSession::WriteImage() {
    if (m_hDevice == 0)
        return Outcome(EUpdateResult::kFailed, kTextCannotConnect);
    const size_t size = m_image.size();
    const uint32_t imageSize = static_cast<uint32_t>(size);
    // The stamp needs the whole first word and the code's four bytes: an image that ends at
    // 0x8000 has no version record and is written as it is.
    if (size >= kStampOffset + 4 && LoadBE32(&m_image[kVersionRecordOffset]) == 0)
        StoreBE32(&m_image[kStampOffset], m_dwHwCode);

    uint32_t eraseBlocks = m_device.GetEraseBlk(imageSize) & kEraseMask;
    m_device.Erase(m_hDevice, static_cast<uint16_t>(eraseBlocks));
    m_view.AppendLogText(kLogErased);
    if (m_view.StopRequested())
        return Stopped(EUpdateStep::kErased);

    // Erase and program results are judged by the verification alone.
    const uint8_t* image = m_image.data();
    uint32_t lowLength = imageSize < kBootBlockEnd ? imageSize : kBootBlockEnd;
    uint32_t highLength = imageSize > kMainStart ? imageSize - kMainStart : 0;
    m_device.FlashWrite(m_hDevice, 0, image, lowLength);
    m_device.FlashWrite(m_hDevice, kMainStart, imageSize >= kMainStart ? image + kMainStart : image,
                        highLength);
    m_view.AppendLogText(kLogWritten);
    if (m_view.StopRequested())
        return Stopped(EUpdateStep::kProgrammed);

    // A unit whose read fails counts as a difference: its buffer holds nothing of that unit.
    const size_t units = VerifyUnitCount(size);
    size_t verified = 0;
    m_view.ShowProgress(verified, units);
    uint8_t unit[kFlashUnit];
    for (uint32_t address = 0; address < imageSize; address = NextVerifyAddress(address)) {
        uint32_t length = UnitLength(size, address);
        bool same = m_device.FlashRead(m_hDevice, address, unit) == 0 &&
                    std::memcmp(unit, image + address, length) == 0;
        if (!same) {
            OnDisconnect();
            ShowError(m_view, kTitleVerify, kTextVerifyFailed);
            m_view.AppendLogText(kLogStopped);
            return Outcome(EUpdateResult::kFailed, kTextVerifyFailed);
        }
        m_view.ShowProgress(++verified, units);
    }
    m_view.AppendLogText(kLogVerified);
    m_view.SetCurrentVersion(ReadDeviceVersion(m_device, m_hDevice));
    OnDisconnect();
    m_view.AppendLogText(kLogFinished);
    return Outcome(EUpdateResult::kWritten);
}

SUpdaterOptions ParseUpdaterOptions(const std::wstring& cmdLine) {
    SUpdaterOptions options;
    std::wstring value;
    if (FindOptionValue(cmdLine, L"-UUID:", value)) {
        options.m_strUuid = UpperAscii(value);
    }
    if (FindOptionValue(cmdLine, L"-PRODUCT:", value)) {
        options.m_strProduct = value;
    }
    return options;
}
