#include "common/TextCodec.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <vector>

// The programs run with the Japanese ANSI code page; the native build converts to and from
// its equivalent so that byte-exact results can be checked on Linux.

namespace {

const char kAnsiCodePage[] = "CP932";
const char kWideEncoding[] = "WCHAR_T";

// Converts with iconv. An input unit that has no form in the target, or is not valid in the
// source, becomes the replacement and is skipped (unitSize bytes of input), the way the
// Windows conversions substitute a default character.
bool Convert(const char* from, const char* to, const char* input, size_t inputSize, size_t unitSize,
             const char* replacement, size_t replacementSize, std::vector<char>& output) {
    output.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }

    std::vector<char> buffer(inputSize * 2 + 16);
    char* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    bool ok = true;
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.insert(output.end(), buffer.data(), out);
        if (result != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        if (errno == EILSEQ || errno == EINVAL) {
            // Unmappable or invalid unit (EINVAL: an incomplete sequence at the end).
            output.insert(output.end(), replacement, replacement + replacementSize);
            const size_t skip = (errno == EINVAL || inLeft < unitSize) ? inLeft : unitSize;
            in += skip;
            inLeft -= skip;
            continue;
        }
        ok = false;
        break;
    }
    if (ok) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        if (iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) {
            ok = false;
        }
        output.insert(output.end(), buffer.data(), out);
    }
    iconv_close(cd);
    if (!ok) {
        output.clear();
    }
    return ok;
}

} // namespace

bool WideToAnsi(const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    std::vector<char> bytes;
    const char replacement = '?';
    if (!Convert(kWideEncoding, kAnsiCodePage, reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(wchar_t), sizeof(wchar_t), &replacement, 1, bytes)) {
        return false;
    }
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool AnsiToWide(const std::string& text, std::wstring& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    std::vector<char> bytes;
    const wchar_t replacement = L'?';
    if (!Convert(kAnsiCodePage, kWideEncoding, text.data(), text.size(), 1,
                 reinterpret_cast<const char*>(&replacement), sizeof(replacement), bytes)) {
        return false;
    }
    if (bytes.size() % sizeof(wchar_t) != 0) {
        return false;
    }
    out.resize(bytes.size() / sizeof(wchar_t));
    for (size_t i = 0; i < out.size(); ++i) {
        std::memcpy(&out[i], bytes.data() + i * sizeof(wchar_t), sizeof(wchar_t));
    }
    return true;
}

uint32_t InetAddr(const std::string& text) {
    return static_cast<uint32_t>(inet_addr(text.c_str()));
}
