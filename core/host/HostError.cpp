#include "HostError.h"

#include <cstdio>

namespace mosvik::com {

std::string toUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    auto cont = [&](size_t k) {
        return k < text.size() && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
    };
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0 && cont(i + 1)) {
            c = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
            len = 2;
        } else if ((b & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
            c = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            len = 3;
        } else if ((b & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            c = ((b & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
                (text[i + 3] & 0x3F);
            len = 4;
        }
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

HostError::HostError(HRESULT status, const std::u16string& message)
    : std::runtime_error(toUtf8(message)), status_(status), message_(message) {}

void check(IUnknown* source, HRESULT hr) {
    if (succeeded(hr))
        return;
    std::u16string message;
    if (source) {
        ComPtr<IHostErrorInfo> info;
        if (succeeded(source->QueryInterface(&IID_IHostErrorInfo, info.putVoid())) && info) {
            Bstr text;
            if (succeeded(info->GetLastErrorText(text.put())))
                message = text.text();
        }
    }
    if (message.empty()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "host call failed (0x%08X)", static_cast<unsigned>(hr));
        message = fromUtf8(buf);
    }
    throw HostError(hr, message);
}

} // namespace mosvik::com
